#pragma once

class QApplication;

namespace kestrom {

/// The program's title, the one text a message box of the program carries
/// when it has no title of its own.
inline constexpr const char* ApplicationTitle = "Программа Kestrom";

/// Names the application and installs Qt's own Russian texts (file dialogs,
/// the edit boxes' context menus, the standard buttons), so that the whole
/// program speaks Russian. The display name is left unset: Qt would append
/// it to every window title. Returns false when the translations were not
/// found (the program then runs with Qt's English texts).
bool SetUpApplication(QApplication& app);

} // namespace kestrom
