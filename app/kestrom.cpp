// kestrom: the window program.

#include "app/ProgramDir.h"
#include "ui/ApplicationSetup.h"
#include "ui/MainWindow.h"
#include "ui/ProgressWindow.h"

#include <QApplication>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    kestrom::SetUpApplication(app);
    std::string programDir = kestrom::ProgramDirectory(argv[0]).string();
    if (!programDir.empty() && programDir.back() != '/') programDir += '/';

    // The main window first, then the progress window, which stays hidden:
    // every load makes its own for each day.
    kestrom::TSearchForm SearchForm(programDir);
    kestrom::TForm2 Form2(&SearchForm);
    SearchForm.show();
    return QApplication::exec();
}
