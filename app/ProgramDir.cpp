#include "app/ProgramDir.h"

#include <system_error>

namespace kestrom {

std::filesystem::path ProgramDirectory(const char* argv0) {
    std::error_code ec;
    const auto self = std::filesystem::canonical("/proc/self/exe", ec);
    if (!ec) return self.parent_path();
    return std::filesystem::absolute(argv0, ec).parent_path();
}

} // namespace kestrom
