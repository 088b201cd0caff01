#include "ui/ProgressWindow.h"

#include <QCoreApplication>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>

#include <limits>

namespace kestrom {

TForm2::TForm2(QObject* mainWindow, QWidget* parent)
    : QWidget(parent, Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::Tool),
      mainWindow_(mainWindow) {
    setObjectName("Form2");
    setFont(QFont("MS Sans Serif", 8));
    setFixedSize(582, 47);
    move(2, 1);
    setFocusPolicy(Qt::StrongFocus);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, pal.color(QPalette::Inactive, QPalette::Window));
    setPalette(pal);

    auto* shape = new QFrame(this);
    shape->setObjectName("Shape1");
    shape->setGeometry(0, 0, 582, 47);
    shape->setAutoFillBackground(true);
    QPalette light = shape->palette();
    light.setColor(QPalette::Window, light.color(QPalette::Light));
    shape->setPalette(light);

    auto* bevel = new QFrame(this);
    bevel->setObjectName("Bevel1");
    bevel->setGeometry(5, 4, 497, 39);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Raised);

    statusText_ = new QLabel(this);
    statusText_->setObjectName("Label1");
    statusText_->move(10, 7);
    statusText_->resize(486, 15);

    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName("ProgressBar1");
    progressBar_->setGeometry(10, 24, 488, 17);
    progressBar_->setTextVisible(false);
    progressBar_->setRange(0, 100);
    progressBar_->setValue(0);

    cancelButton_ = new QPushButton(this);
    cancelButton_->setObjectName("BitBtn1");
    cancelButton_->setGeometry(508, 4, 69, 39);
    cancelButton_->setCursor(Qt::BusyCursor);
    connect(cancelButton_, &QPushButton::clicked, this, &TForm2::askCancel);
    FormCreate();
}

void TForm2::FormCreate() {
    cancelButton_->setText("Отмена");
}

void TForm2::SetText(const QString& text) {
    statusText_->setText(text);
}

void TForm2::askCancel() {
    // Posted, not sent: the main window sets the cancel flag the next time
    // the load lets it process its events.
    if (mainWindow_ != nullptr)
        QCoreApplication::postEvent(mainWindow_, new QEvent(CancelLoadEventType));
}

void TForm2::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        cancelButton_->click();
        return;
    }
    QWidget::keyPressEvent(e);
}

void TForm2::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    // Esc must reach the window without a click first.
    activateWindow();
    setFocus(Qt::ActiveWindowFocusReason);
}

void TForm2::hideEvent(QHideEvent* e) {
    QWidget::hideEvent(e);
    // The keyboard goes back to the main window, unless it was put away.
    auto* main = qobject_cast<QWidget*>(mainWindow_.data());
    if (main != nullptr && main->isVisible() && !main->isMinimized()) main->activateWindow();
}

int TForm2::Scaled(std::int64_t v) const {
    return static_cast<int>(v / scale_);
}

void TForm2::SetRange64(std::int64_t maximum) {
    maximum_ = maximum < 0 ? 0 : maximum;
    constexpr std::int64_t Limit = std::numeric_limits<int>::max();
    scale_ = maximum_ <= Limit ? 1 : (maximum_ + Limit - 1) / Limit;
    progressBar_->setRange(0, Scaled(maximum_));
}

void TForm2::SetPosition64(std::int64_t position) {
    if (position < 0) position = 0;
    if (position > maximum_) position = maximum_;
    progressBar_->setValue(Scaled(position));
}

} // namespace kestrom
