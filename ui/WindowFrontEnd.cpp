#include "ui/WindowFrontEnd.h"

#include "ui/QtDates.h"
#include "ui/QtText.h"

#include <QApplication>
#include <QCheckBox>
#include <QDate>
#include <QLocale>
#include <QMessageBox>
#include <QTime>

namespace kestrom {

QString DisplayText(std::string_view text) {
    QString s = ToQString(text);
    s.replace('\r', '\n');
    return s;
}

WindowFrontEnd::WindowFrontEnd(QWidget* mainWindow)
    : mainWindow_(mainWindow), progress_(mainWindow) {
    sinceEvents_.start();
}

void WindowFrontEnd::Information(std::string_view text) {
    const QString s = DisplayText(text);
    if (showMessage) {
        showMessage(s);
        return;
    }
    QMessageBox::information(mainWindow_, QApplication::applicationName(), s, QMessageBox::Ok);
}

void WindowFrontEnd::NoFilesForDay(std::string_view text) {
    if (daysWithoutFilesSilenced_) return;
    if (showMessage) {
        showMessage(DisplayText(text));
        return;
    }
    QMessageBox box(QMessageBox::Information, QApplication::applicationName(), DisplayText(text),
                    QMessageBox::Ok, mainWindow_);
    box.setCheckBox(new QCheckBox(QString::fromUtf8(SilenceText), &box));
    box.exec();
    daysWithoutFilesSilenced_ = box.checkBox()->isChecked();
}

void WindowFrontEnd::LoadStarting() {
    daysWithoutFilesSilenced_ = false;
}

void WindowFrontEnd::SetBusyCursor(bool busy) {
    if (busy == busyCursor_) return;
    busyCursor_ = busy;
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::string WindowFrontEnd::ShortDate(TDateTime v) {
    return ToStdString(QLocale::system().toString(ToQDate(v), QLocale::ShortFormat));
}

std::string WindowFrontEnd::LongTime(TDateTime v) {
    return ToStdString(ToQTime(v).toString(LongTimeFormatWithoutZone(QLocale::system())));
}

void WindowFrontEnd::OnYield(void* self) {
    auto* fe = static_cast<WindowFrontEnd*>(self);
    // Looking at the clock costs more than the call itself: only every 64th time.
    if ((++fe->calls_ & 63) != 0) return;
    if (fe->sinceEvents_.elapsed() < 15) return;
    fe->sinceEvents_.restart();
    QApplication::processEvents();
}

} // namespace kestrom
