#include "ui/ApplicationSetup.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QtTest>

#include <memory>

using namespace kestrom;

namespace {

bool HasCyrillic(const QString& s) {
    for (const QChar c : s)
        if (c.unicode() >= 0x0400 && c.unicode() <= 0x04FF) return true;
    return false;
}

} // namespace

class ApplicationSetupTest : public QObject {
    Q_OBJECT
  private slots:
    void namesTheProgramAndSpeaksRussian() {
        QVERIFY(SetUpApplication(*qApp));
        QCOMPARE(QApplication::applicationName(), QString::fromUtf8("Программа Kestrom"));

        // The standard buttons of the message boxes and dialogs.
        QDialogButtonBox buttons(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
        QCOMPARE(buttons.button(QDialogButtonBox::Cancel)->text(), QString::fromUtf8("Отмена"));

        // The context menu of every edit box.
        QLineEdit edit;
        edit.setText("i3962");
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QVERIFY(!menu->actions().isEmpty());
        for (QAction* a : menu->actions())
            if (!a->isSeparator()) QVERIFY2(HasCyrillic(a->text()), qPrintable(a->text()));

        // The folder dialog's texts.
        QVERIFY(HasCyrillic(QCoreApplication::translate("QFileDialog", "Look in:")));
        QVERIFY(HasCyrillic(QCoreApplication::translate("QFileDialog", "File &name:")));
    }
};

QTEST_MAIN(ApplicationSetupTest)
#include "ApplicationSetup_test.moc"
