#pragma once

#include <QIcon>

namespace kestrom {

/// The 16 x 16 pictures of the window's toolbars and chooser buttons, by the
/// index the window's controls use: 0 blue telephone handset, 1 red ringing
/// telephone, 2 arrow left, 3 arrow up, 4 arrow down, 5 arrow right, 6 arrow
/// into a device, 7 arrow out of a device, 8 alarm clock, 9 bell, 10 warning
/// triangle. Drawn as SVG pictures of our own, kept in the program's
/// resources.
QIcon ImageList1(int index);

/// The number of pictures.
inline constexpr int ImageList1Count = 11;

} // namespace kestrom
