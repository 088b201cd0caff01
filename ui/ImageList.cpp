#include "ui/ImageList.h"

#include <QString>

#include <array>

// The pictures live in the resource file icons.qrc, compiled into the static
// library kestrom_ui. A static library's resources are only kept by the linker
// when their initialiser is referenced, so it is called here, once, before the
// first picture is asked for. Q_INIT_RESOURCE must run at global scope.
static void InitIconResources() {
    Q_INIT_RESOURCE(icons);
}

namespace kestrom {

namespace {

constexpr std::array<const char*, ImageList1Count> IconFiles = {
    ":/icons/00-handset.svg",  ":/icons/01-ringing-phone.svg", ":/icons/02-arrow-left.svg",
    ":/icons/03-arrow-up.svg", ":/icons/04-arrow-down.svg",    ":/icons/05-arrow-right.svg",
    ":/icons/06-trunk-in.svg", ":/icons/07-trunk-out.svg",     ":/icons/08-alarm-clock.svg",
    ":/icons/09-bell.svg",     ":/icons/10-warning.svg",
};

} // namespace

QIcon ImageList1(int index) {
    static const bool resourcesReady = [] {
        InitIconResources();
        return true;
    }();
    (void)resourcesReady;
    if (index < 0 || index >= ImageList1Count) return QIcon();
    return QIcon(QString::fromLatin1(IconFiles[static_cast<std::size_t>(index)]));
}

} // namespace kestrom
