#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace kestrom {

/// The libpq connection service file in the program directory that tells
/// the window how to reach the shared archive: a section [kestrom] with
/// host, port, dbname, user and, where a password is needed, passfile (a
/// password file of mode 0600). The password is never kept in addpar.ini.
inline constexpr std::string_view ArchiveServiceFileName = "pg_service.conf";
inline constexpr std::string_view ArchiveServiceName = "kestrom";

/// How the window reaches the archive.
struct ArchiveService {
    std::string Conninfo; ///< "service=kestrom"; empty when Error is set
    std::string Error;    ///< the Russian message when the file is missing
};

/// The connection of the program directory's service file: libpq is told
/// to read that file (UseProgramServiceFile) and the connection string
/// names the service.
ArchiveService ArchiveServiceOf(const std::filesystem::path& programDir);

} // namespace kestrom
