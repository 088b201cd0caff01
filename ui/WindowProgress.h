#pragma once

#include "load/LoadFrontEnd.h"

class QObject;

namespace kestrom {

class TForm2;

/// The window's progress display of a load: a TForm2 created and destroyed
/// for each day.
class WindowProgress : public ProgressDisplay {
  public:
    /// mainWindow receives the progress window's cancel event.
    explicit WindowProgress(QObject* mainWindow) : mainWindow_(mainWindow) {}
    ~WindowProgress() override;
    WindowProgress(const WindowProgress&) = delete;
    WindowProgress& operator=(const WindowProgress&) = delete;

    void Create() override;
    void Show(std::string_view label) override;
    void SetMaximum(std::int64_t maximum) override;
    void SetPosition(std::int64_t position) override;
    void Hide() override;
    void Destroy() override;

    /// The window of the day being loaded, or null.
    TForm2* Form2() const { return form_; }

  private:
    QObject* mainWindow_;
    TForm2* form_ = nullptr;
};

} // namespace kestrom
