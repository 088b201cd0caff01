#include "ui/WindowProgress.h"

#include "ui/ProgressWindow.h"
#include "ui/QtText.h"

namespace kestrom {

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
    form_->SetText(ToQString(label));
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
