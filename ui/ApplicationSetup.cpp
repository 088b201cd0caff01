#include "ui/ApplicationSetup.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QTranslator>

namespace kestrom {

bool SetUpApplication(QApplication& app) {
    QApplication::setApplicationName(QString::fromUtf8(ApplicationTitle));
    // Where Tahoma is missing, a sans serif of about its width, so the window
    // keeps its designed size.
    QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                               {QStringLiteral("Liberation Sans"), QStringLiteral("Arimo"),
                                QStringLiteral("Nimbus Sans"), QStringLiteral("Arial")});
    // The program's own texts are all Russian, so Qt's are too, whatever
    // the system's language.
    auto* translator = new QTranslator(&app);
    const bool found = translator->load(QLocale(QLocale::Russian, QLocale::Russia), "qtbase", "_",
                                        QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    if (found)
        QApplication::installTranslator(translator);
    else
        delete translator;
    return found;
}

} // namespace kestrom
