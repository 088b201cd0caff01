#pragma once

#include "load/DayLoader.h"
#include "load/LoadFrontEnd.h"
#include "load/PreFilter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace kestrom {

class CallTable;

/// A shared call archive that a load takes its rows from instead of the AMA
/// folder: the archive holds every sound call record of the files it has
/// ingested, and the load copies those that pass the load-time filter into
/// the call table, in the order a load from the files would store them.
///
/// The load command asks Connect before it touches the call table, so that
/// an archive that cannot be used leaves the table as it was, and CopyDay
/// once for each day of the period.
class ArchiveSource {
  public:
    virtual ~ArchiveSource() = default;

    /// Connects and checks the archive (its schema version). Returns the
    /// Russian message that tells the user why the archive cannot be used,
    /// empty when it can.
    virtual std::string Connect() = 0;

    /// What one day's copy did.
    struct DayCopy {
        std::int64_t Rows = 0; ///< rows the call table received
        /// The archive holds files of the day with content (an empty file
        /// counts as none, as in the folder).
        bool Found = false;
        /// Empty, or the Russian message of a failure of the archive that
        /// ended the copy (the rows stored before stay). A row the table
        /// refuses is no such failure: the table has told the user, and the
        /// copy goes on with the next file as a load from the files does.
        std::string Error;
        /// The day's files with damaged records, as the ingest counted them
        /// (the load reports them as a load from the files does).
        std::vector<FileDamage> Damaged;
    };

    /// Copies the rows of the day's files (only the date of day counts) of
    /// the filter's exchange ("*" for every exchange) that pass the filter
    /// (prepared by PrepareFilter) into the open table, in the order a load
    /// from the files stores them, and drives the front end's progress
    /// display for the day. cancelled is looked at between rows; the front
    /// end's yield hook is called for every row. Called only after Connect
    /// succeeded.
    virtual DayCopy CopyDay(const TPreFilter& filter, TDateTime day, CallTable& table,
                            LoadFrontEnd& frontEnd, const bool& cancelled) = 0;
};

} // namespace kestrom
