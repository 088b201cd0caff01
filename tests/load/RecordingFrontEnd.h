#pragma once

#include "load/LoadFrontEnd.h"

#include <functional>
#include <string>
#include <vector>

namespace kestrom::test {

/// A front end that records what a load shows, and runs a hook at every
/// yield point (where the window would process its events).
class RecordingFrontEnd : public LoadFrontEnd, public ProgressDisplay {
  public:
    void Information(std::string_view text) override { messages.emplace_back(text); }
    ProgressDisplay& Progress() override { return *this; }
    void SetBusyCursor(bool busy) override { cursor.push_back(busy); }
    YieldHook Yield() override { return {&RecordingFrontEnd::OnYield, this}; }
    void SavePrintHeaders(const std::string& a, const std::string& b) override {
        savedHeaders.push_back(a + "|" + b);
    }
    void SetResultAttached(bool attached) override { attachments.push_back(attached); }
    void LoadStarting() override { ++starts; }
    void NoFilesForDay(std::string_view text) override {
        ++daysWithoutFiles;
        messages.emplace_back(text);
    }

    void Create() override { events.push_back("create"); }
    void Show(std::string_view label) override { events.push_back("show " + std::string(label)); }
    void SetMaximum(std::int64_t m) override { maximum = m; }
    void SetPosition(std::int64_t p) override {
        position = p;
        positions.push_back(p);
    }
    void Hide() override { events.push_back("hide"); }
    void Destroy() override { events.push_back("destroy"); }

    std::vector<std::string> messages;
    std::vector<std::string> events;
    std::vector<std::string> savedHeaders;
    int starts = 0; ///< loads that went past their checks
    int daysWithoutFiles = 0;
    std::vector<bool> cursor;
    std::vector<bool> attachments;
    std::vector<std::int64_t> positions;
    std::int64_t maximum = 0;
    std::int64_t position = 0;
    std::uint64_t yields = 0;
    std::function<void()> onYield;

  private:
    static void OnYield(void* self) {
        auto* fe = static_cast<RecordingFrontEnd*>(self);
        ++fe->yields;
        if (fe->onYield) fe->onYield();
    }
};

} // namespace kestrom::test
