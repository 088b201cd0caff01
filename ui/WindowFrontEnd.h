#pragma once

#include "load/LoadFrontEnd.h"
#include "ui/WindowProgress.h"

#include <QElapsedTimer>
#include <QWidget>

#include <functional>

namespace kestrom {

/// The load's front end in the window: message boxes, the progress window,
/// the hourglass cursor, and a yield that processes the window's events at
/// most once per 15 ms of work, so the load is not slowed by it.
class WindowFrontEnd : public LoadFrontEnd {
  public:
    /// mainWindow owns the message boxes and receives the cancel event.
    explicit WindowFrontEnd(QWidget* mainWindow);

    void Information(std::string_view text) override;
    /// An information box with the check box "Не показывать для остальных
    /// дней": once it is ticked, the rest of this load shows no such box.
    void NoFilesForDay(std::string_view text) override;
    void LoadStarting() override;
    ProgressDisplay& Progress() override { return progress_; }
    void SetBusyCursor(bool busy) override;
    YieldHook Yield() override { return {&WindowFrontEnd::OnYield, this}; }
    std::string ShortDate(TDateTime v) override;
    std::string LongTime(TDateTime v) override;

    /// Replaces the message box (tests answer messages through this).
    std::function<void(const QString&)> showMessage;
    /// The check box of the box of a day without files.
    static constexpr const char* SilenceText = "Не показывать для остальных дней";

    WindowProgress& Window() { return progress_; }

  private:
    static void OnYield(void* self);

    QWidget* mainWindow_;
    WindowProgress progress_;
    QElapsedTimer sinceEvents_;
    unsigned calls_ = 0;
    bool busyCursor_ = false;
    bool daysWithoutFilesSilenced_ = false;
};

/// A text of the core as the window shows it: the core's carriage returns
/// become line breaks.
QString DisplayText(std::string_view text);

} // namespace kestrom
