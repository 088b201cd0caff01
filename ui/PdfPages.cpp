#include "ui/PdfPages.h"

#include <QDir>
#include <QFileInfo>
#include <QMarginsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>

namespace kestrom {

namespace {

QString Failure(const QString& fileName, const QString& reason) {
    return QStringLiteral("Не удалось сохранить файл %1: %2")
        .arg(QDir::toNativeSeparators(fileName), reason);
}

/// Why a file cannot be opened for writing, in the user's words where the
/// cause is plain.
QString OpenFailure(const QString& fileName, const QString& systemReason) {
    const QFileInfo info(fileName);
    if (info.isDir()) return QStringLiteral("это папка");
    if (!info.absoluteDir().exists())
        return QStringLiteral("папка %1 не существует")
            .arg(QDir::toNativeSeparators(info.absolutePath()));
    return systemReason;
}

/// The pages' paper without margins: the pages keep their margins themselves
/// and paint from the paper's corner.
QPageLayout FullPaper(const QPageLayout& layout) {
    return QPageLayout(layout.pageSize(), layout.orientation(), QMarginsF(0, 0, 0, 0));
}

bool PaintAll(QPdfWriter& writer, const GridPages& pages) {
    QPainter painter;
    if (!painter.begin(&writer)) return false;
    for (int page = 0; page < pages.PageCount(); ++page) {
        if (page > 0 && !writer.newPage()) return false;
        pages.PaintPage(painter, page);
    }
    return painter.end();
}

} // namespace

QPageLayout PrintPageLayout() {
    return QPageLayout(QPageSize(QPageSize::A4), QPageLayout::Landscape, QMarginsF(20, 20, 20, 20),
                       QPageLayout::Millimeter);
}

QString WritePdfPages(const GridPages& pages, const QString& fileName) {
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        return Failure(fileName, OpenFailure(fileName, file.errorString()));
    {
        QPdfWriter writer(&file);
        writer.setTitle(QStringLiteral("Табличная информация"));
        writer.setCreator(QStringLiteral("Kestrom"));
        writer.setResolution(pages.Dpi());
        if (!writer.setPageLayout(FullPaper(pages.Layout())))
            return Failure(fileName, QStringLiteral("неподходящий размер страницы"));
        if (!PaintAll(writer, pages))
            return Failure(fileName, QStringLiteral("не удалось записать страницы"));
    }
    if (file.error() != QFileDevice::NoError) return Failure(fileName, file.errorString());
    if (!file.commit()) return Failure(fileName, file.errorString());
    return {};
}

} // namespace kestrom
