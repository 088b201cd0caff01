#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace kestrom::cli {

using Args = std::vector<std::string>;

/// The usage lines of every command, on stderr.
void Usage();

/// `decode FILE...`: one JSON line per call record on stdout.
int Decode(const Args& args);

/// `load --ama-dir DIR | --server CONNINFO --from DATE --to DATE [filters]
/// [--db-dir DIR]`: runs the load command for the days of the period, from
/// the folder's files or from the archive; prints the number of rows.
int Load(const Args& args, const std::filesystem::path& programDir);

/// `query [--db-dir DIR] [--columns ...] [--sort ...] [--where COLUMN:CONDITION]...
/// [--totals] [--format csv] [--out FILE]`: runs the result query and writes
/// its rows that pass the conditions of the grid's filter row (all joined
/// with AND) as CSV; with --totals the window's totals of those rows follow
/// on stderr.
int Query(const Args& args, const std::filesystem::path& programDir);

/// `export --format html|xls|xlsx|csv --out FILE [--db-dir DIR] [--columns ...]
/// [--sort ...] [--where COLUMN:CONDITION]...`: writes the rows of the result
/// query that pass the conditions into FILE as the window's export does, with
/// the widths and colours of a fresh window and no colouring. A refused or
/// failed export leaves FILE as it was.
int Export(const Args& args, const std::filesystem::path& programDir);

/// `print --pdf FILE [--db-dir DIR] [--columns ...] [--sort ...]
/// [--where COLUMN:CONDITION]...`: the printed pages of the rows of the result
/// query that pass the conditions, with the look of a fresh window and the
/// header lines of the last load, written as a PDF file. A failure leaves no
/// file and an existing FILE as it was.
int Print(const Args& args, const std::filesystem::path& programDir);

/// `archive --server CONNINFO --ama-dir DIR [--exchange X] [--jobs N] [--watch
/// [--interval SECONDS]]`: creates or upgrades the archive's schema and
/// ingests the AMA files of the folder that the archive does not hold as they
/// are, N files at a time; with --watch looks at the folder again every
/// interval until SIGINT or SIGTERM.
int Archive(const Args& args, const std::filesystem::path& programDir);

/// `stats [--db-dir DIR] [--where COLUMN:CONDITION]... --format json|csv
/// [--out FILE]`: the figures of the "Статистика" page (calls per day and
/// per hour, minutes per day, durations, failures, the top numbers B and A,
/// rows without a set-up date) of the rows of the result query that pass
/// the conditions, as one JSON object or as CSV records.
int Stats(const Args& args, const std::filesystem::path& programDir);

} // namespace kestrom::cli
