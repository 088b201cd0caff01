#include "settings/WholeFile.h"

#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace kestrom {

namespace {

using FilePtr = std::unique_ptr<std::FILE, int (*)(std::FILE*)>;

FilePtr Open(const std::string& fileName, const char* mode) {
    return FilePtr(std::fopen(fileName.c_str(), mode), std::fclose);
}

std::error_code LastError() {
    const int code = errno != 0 ? errno : EIO;
    return {code, std::generic_category()};
}

// An existing file must accept writing; opening it for update changes nothing.
std::error_code CheckExistingWritable(const std::string& fileName) {
    if (FilePtr probe = Open(fileName, "rb"); !probe) return {};
    errno = 0;
    if (FilePtr update = Open(fileName, "r+b"); !update) return LastError();
    return {};
}

std::error_code WriteNewFile(const std::string& fileName, std::string_view bytes) {
    errno = 0;
    std::FILE* f = std::fopen(fileName.c_str(), "wb");
    if (f == nullptr) return LastError();
    const std::size_t put = std::fwrite(bytes.data(), 1, bytes.size(), f);
    const bool flushed = std::fflush(f) == 0;
    std::error_code error = put == bytes.size() && flushed ? std::error_code() : LastError();
    if (std::fclose(f) != 0 && !error) error = LastError();
    return error;
}

} // namespace

std::optional<std::string> ReadWholeFile(const std::string& fileName) {
    FilePtr f = Open(fileName, "rb");
    if (!f) return std::nullopt;
    std::string bytes;
    char chunk[4096];
    for (;;) {
        const std::size_t n = std::fread(chunk, 1, sizeof chunk, f.get());
        bytes.append(chunk, n);
        if (n < sizeof chunk) break;
    }
    if (std::ferror(f.get()) != 0) return std::nullopt;
    return bytes;
}

std::error_code ReplaceWholeFile(const std::string& fileName, std::string_view bytes) {
    if (std::error_code error = CheckExistingWritable(fileName)) return error;
    const std::string scratch = fileName + ".tmp";
    if (std::error_code error = WriteNewFile(scratch, bytes)) {
        std::remove(scratch.c_str());
        return error;
    }
    std::error_code error;
    std::filesystem::rename(scratch, fileName, error);
    if (error) std::remove(scratch.c_str());
    return error;
}

} // namespace kestrom
