#include "ui/PngFile.h"

#include <QSaveFile>

namespace kestrom {

QString WritePngFile(const QImage& image, const QString& path) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return file.errorString();
    if (image.isNull() || !image.save(&file, "PNG")) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QString::fromUtf8("рисунок не записан");
        file.cancelWriting();
        return reason;
    }
    if (!file.commit()) return file.errorString();
    return {};
}

} // namespace kestrom
