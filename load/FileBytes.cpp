#include "load/FileBytes.h"

#include <cstdio>
#include <memory>

namespace kestrom {

std::int64_t ReadFileBytes(const std::string& path, std::vector<std::uint8_t>& out,
                           std::int64_t expected) {
    out.clear();
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> f(std::fopen(path.c_str(), "rb"), std::fclose);
    if (!f) return 0;
    if (expected < 0) {
        if (std::fseek(f.get(), 0, SEEK_END) != 0) return 0;
        const long end = std::ftell(f.get());
        if (end < 0 || std::fseek(f.get(), 0, SEEK_SET) != 0) return 0;
        expected = end;
    }
    out.resize(static_cast<std::size_t>(expected));
    std::size_t got = 0;
    while (got < out.size()) {
        const std::size_t n = std::fread(out.data() + got, 1, out.size() - got, f.get());
        if (n == 0) break;
        got += n;
    }
    out.resize(got);
    return static_cast<std::int64_t>(got);
}

} // namespace kestrom
