#include "archive/ArchiveService.h"

#include "archive/PgConnection.h"

#include <system_error>

namespace kestrom {

ArchiveService ArchiveServiceOf(const std::filesystem::path& programDir) {
    const std::filesystem::path file = programDir / ArchiveServiceFileName;
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error))
        return {.Conninfo = {},
                .Error = "Не найден файл подключения к архиву " + file.string() +
                         ". Укажите в нём сервер архива в разделе [" +
                         std::string(ArchiveServiceName) +
                         "] (host, port, dbname, user, passfile)."};
    UseProgramServiceFile(programDir);
    return {.Conninfo = "service=" + std::string(ArchiveServiceName), .Error = {}};
}

} // namespace kestrom
