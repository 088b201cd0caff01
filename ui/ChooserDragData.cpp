#include "ui/ChooserDragData.h"

#include "ui/ChooserList.h"

namespace kestrom {

TChooserDragData::TChooserDragData(TChooserList* source) : source_(source) {
    setData(Format(), source != nullptr ? source->objectName().toUtf8() : QByteArray());
}

QString TChooserDragData::Format() {
    return QStringLiteral("application/x-kestrom-column-list");
}

} // namespace kestrom
