#pragma once

#include <initializer_list>

class QCheckBox;
class QPushButton;
class QToolButton;
class QWidget;

namespace kestrom {

// Small makers of the window's controls and the look of the filter toggles,
// shared by the parts of the main window.

/// Gives w its name (the window's control names are its objectNames).
template <class W> W* Named(W* w, const char* name) {
    w->setObjectName(name);
    return w;
}

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text);
QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const char* text, bool checked);
/// A check-style tool button with a picture of ImageList1 (none when icon
/// is negative) and a hint.
QToolButton* MakeToggle(QWidget* parent, const char* name, int icon, const char* hint);

/// Grey (the button face) for a switched-off value control, white (the
/// window background) for a switched-on one.
void SetValueBackground(QWidget* w, bool on);

/// A toggle's effect on its value controls, in their order: released, each
/// goes grey, a time picker back to 00:00:00, and off; pressed, each on and
/// white.
void ApplyToggle(bool pressed, std::initializer_list<QWidget*> controls);

} // namespace kestrom
