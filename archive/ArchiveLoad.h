#pragma once

#include "load/ArchiveSource.h"

#include <memory>
#include <string>

namespace kestrom {

class PgConnection;

/// The shared call archive on a PostgreSQL server as the source of a load:
/// each day's rows that pass the load-time filter are selected on the
/// server (one query per day over the day's partition) and written into the
/// call table exactly as a load from the same files writes them.
///
///     ArchiveLoad archive("host=db.example port=5432 dbname=kestrom user=kestrom_reader");
///     request.Archive = &archive;
///     session.Run(request, frontEnd);
class ArchiveLoad final : public ArchiveSource {
  public:
    /// Rows fetched from the server in one round trip.
    static constexpr int BatchRows = 4096;

    /// conninfo is a libpq connection string; nothing is connected yet.
    explicit ArchiveLoad(std::string conninfo);
    ~ArchiveLoad() override;
    ArchiveLoad(const ArchiveLoad&) = delete;
    ArchiveLoad& operator=(const ArchiveLoad&) = delete;

    /// Connects (again) and checks that the server holds an archive of the
    /// schema version this program reads.
    std::string Connect() override;

    DayCopy CopyDay(const TPreFilter& filter, TDateTime day, CallTable& table,
                    LoadFrontEnd& frontEnd, const bool& cancelled) override;

  private:
    std::string conninfo_;
    std::unique_ptr<PgConnection> pg_;
};

} // namespace kestrom
