#include "ui/ProgressBarF.h"

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

    Label1 = new QLabel(this);
    Label1->setObjectName("Label1");
    Label1->move(10, 7);
    Label1->resize(486, 15);

    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setObjectName("ProgressBar1");
    ProgressBar1->setGeometry(10, 24, 488, 17);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setRange(0, 100);
    ProgressBar1->setValue(0);

    BitBtn1 = new QPushButton(this);
    BitBtn1->setObjectName("BitBtn1");
    BitBtn1->setGeometry(508, 4, 69, 39);
    BitBtn1->setCursor(Qt::BusyCursor);
    connect(BitBtn1, &QPushButton::clicked, this, &TForm2::BitBtn1Click);
    FormCreate();
}

void TForm2::FormCreate() {
    BitBtn1->setText("Отмена");
}

void TForm2::BitBtn1Click() {
    // Posted, not sent: the main window sets the cancel flag the next time
    // the load lets it process its events.
    if (mainWindow_ != nullptr)
        QCoreApplication::postEvent(mainWindow_, new QEvent(CancelLoadEventType));
}

void TForm2::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        BitBtn1->click();
        return;
    }
    QWidget::keyPressEvent(e);
}

int TForm2::Scaled(std::int64_t v) const {
    return static_cast<int>(v / scale_);
}

void TForm2::SetRange64(std::int64_t maximum) {
    maximum_ = maximum < 0 ? 0 : maximum;
    constexpr std::int64_t Limit = std::numeric_limits<int>::max();
    scale_ = maximum_ <= Limit ? 1 : (maximum_ + Limit - 1) / Limit;
    ProgressBar1->setRange(0, Scaled(maximum_));
}

void TForm2::SetPosition64(std::int64_t position) {
    if (position < 0) position = 0;
    if (position > maximum_) position = maximum_;
    ProgressBar1->setValue(Scaled(position));
}

WindowProgress::~WindowProgress() {
    Destroy();
}

void WindowProgress::Create() {
    Destroy();
    form_ = new TForm2(mainWindow_);
}

void WindowProgress::Show(std::string_view label) {
    if (form_ == nullptr) return;
    form_->SetRange64(100);
    form_->SetPosition64(0);
    form_->Label1->setText(QString::fromUtf8(label.data(), static_cast<qsizetype>(label.size())));
    form_->show();
}

void WindowProgress::SetMaximum(std::int64_t maximum) {
    if (form_ != nullptr) form_->SetRange64(maximum);
}

void WindowProgress::SetPosition(std::int64_t position) {
    if (form_ != nullptr) form_->SetPosition64(position);
}

void WindowProgress::Hide() {
    if (form_ != nullptr) form_->hide();
}

void WindowProgress::Destroy() {
    delete form_;
    form_ = nullptr;
}

} // namespace kestrom
