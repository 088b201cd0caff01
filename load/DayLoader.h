#pragma once

#include "base/DateTime.h"
#include "load/DecodeLoop.h"
#include "load/LoadFrontEnd.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kestrom {

class CallRowWriter;
struct TPreFilter;

/// What was wrong with one file of a load.
struct FileDamage {
    std::string Name;
    std::uint64_t Count = 0; ///< damaged records skipped
    /// The offset of a last record shorter than its header says (the file may
    /// have been cut), or -1.
    std::int64_t ShortLastRecord = -1;
    bool NotRegular = false; ///< not a regular file: skipped unread
};

/// What one day of a load did.
struct DayOutcome {
    std::int64_t Rows = 0;        ///< rows the call table received during the day
    std::int64_t BytesFound = 0;  ///< sizes the directory search reported
    std::int64_t BytesLoaded = 0; ///< bytes actually read
    DecodeStats Stats;
    std::vector<FileDamage> Damaged; ///< files with damaged records, in load order
    /// Files that could not be read, each with the reason: "name (reason)".
    std::vector<std::string> Unread;
};

/// Loads the AMA files of single days into the call table, one file in
/// memory at a time.
class DayLoader {
  public:
    DayLoader(LoadFrontEnd& frontEnd, CallRowWriter& writer, const TPreFilter& filter,
              const bool& cancelled);

    /// Finds the files of the day (only its date counts) in the folder, reads
    /// and decodes them one after the other, and drives the progress display.
    /// exchange is the exchange number of the file names, or "*".
    DayOutcome LoadDayFiles(std::string_view folder, std::string_view exchange, TDateTime day);

  private:
    void LoadFiles(const std::string& folder, const std::string& pattern, TDateTime day,
                   DayOutcome& out);
    void LoadOneFile(const std::string& path, const std::string& name, std::int64_t size,
                     DayOutcome& out);

    LoadFrontEnd& frontEnd_;
    CallRowWriter& writer_;
    const TPreFilter& filter_;
    const bool& cancelled_;
};

} // namespace kestrom
