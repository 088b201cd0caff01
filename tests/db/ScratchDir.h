#pragma once

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <string_view>

namespace kestrom::test {

/// A fresh empty directory for one test, removed with everything in it.
class ScratchDir {
  public:
    ScratchDir() {
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        do {
            path_ = base / ("kestrom-test-" + std::to_string(rd()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~ScratchDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    const std::filesystem::path& Path() const { return path_; }

    std::string Read(std::string_view name) const {
        std::ifstream in(path_ / std::string(name), std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    void Write(std::string_view name, std::string_view bytes) const {
        std::ofstream out(path_ / std::string(name), std::ios::binary | std::ios::trunc);
        out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    }
    /// Copies a lookup table built into the program directory.
    void CopyFromProgramDir(std::string_view name) const {
        std::filesystem::copy_file(std::filesystem::path(KESTROM_BIN_DIR) / std::string(name),
                                   path_ / std::string(name));
    }

  private:
    std::filesystem::path path_;
};

} // namespace kestrom::test
