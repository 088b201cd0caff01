#pragma once

#include "base/DateTime.h"
#include "decode/YieldHook.h"
#include "load/MessageSink.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace kestrom {

/// The progress display of one day of a load: created hidden, shown with a
/// label, its bar raised and advanced over the bytes of the day's files,
/// hidden and destroyed. Counts are 64-bit; a display with a narrower bar
/// scales them.
class ProgressDisplay {
  public:
    virtual ~ProgressDisplay() = default;
    virtual void Create() = 0;
    /// Sets the bar to 0..100 at 0, the label to text, and shows the window.
    virtual void Show(std::string_view label) = 0;
    virtual void SetMaximum(std::int64_t maximum) = 0;
    virtual void SetPosition(std::int64_t position) = 0;
    virtual void Hide() = 0;
    virtual void Destroy() = 0;
};

/// Everything a load asks of the front end that runs it: its messages, the
/// progress display, the hourglass cursor, the yield points and the desktop's
/// date and time formats.
class LoadFrontEnd : public MessageSink {
  public:
    virtual ProgressDisplay& Progress() = 0;
    virtual void SetBusyCursor(bool busy) = 0;
    /// The "process pending events" points of a long load.
    virtual YieldHook Yield() = 0;
    /// The desktop's short date format ("09.10.2006").
    virtual std::string ShortDate(TDateTime v);
    /// The desktop's long time format ("14:05:30").
    virtual std::string LongTime(TDateTime v);

    /// "Файлы за <день> не найдены!": by default an information box like any
    /// other; the window lets the user silence it for the rest of a load.
    virtual void NoFilesForDay(std::string_view text);
    /// The checks are passed and the load goes ahead: the call table is
    /// emptied next.
    virtual void LoadStarting();
    /// Keeps the two print header lines in the settings, before the files
    /// are loaded.
    virtual void SavePrintHeaders(const std::string& printStr, const std::string& printStr1);
    /// Detaches the result grid from the query while a load runs (false)
    /// and attaches it again afterwards (true).
    virtual void SetResultAttached(bool attached);
};

/// A progress display that shows nothing (the console's).
class NoProgress : public ProgressDisplay {
  public:
    void Create() override {}
    void Show(std::string_view) override {}
    void SetMaximum(std::int64_t) override {}
    void SetPosition(std::int64_t) override {}
    void Hide() override {}
    void Destroy() override {}
};

} // namespace kestrom
