#pragma once

#include "load/LoadFrontEnd.h"

namespace kestrom {

/// The front end of a load run from the console: messages on stderr (the
/// core's carriage returns as line breaks), no progress window, no cursor,
/// no events to process.
class ConsoleFrontEnd : public LoadFrontEnd {
  public:
    void Information(std::string_view text) override;
    ProgressDisplay& Progress() override { return progress_; }
    void SetBusyCursor(bool) override {}
    YieldHook Yield() override { return {}; }

  private:
    NoProgress progress_;
};

} // namespace kestrom
