#include "app/CliCommands.h"
#include "app/RecordJson.h"
#include "decode/RecordWalk.h"
#include "load/FileBytes.h"

#include <cstdio>
#include <filesystem>
#include <iostream>

namespace kestrom::cli {

int Decode(const Args& args) {
    if (args.empty()) {
        std::cerr << "kestrom-cli decode: укажите хотя бы один файл *.ama\n";
        return 2;
    }
    int status = 0;
    std::vector<std::uint8_t> bytes;
    for (const std::string& path : args) {
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            std::cerr << "kestrom-cli decode: файл не найден: " << path << "\n";
            status = 1;
            continue;
        }
        ReadFileBytes(path, bytes);
        TLoadBuffer buf;
        buf.Data = bytes.empty() ? nullptr : bytes.data();
        buf.Size = static_cast<std::int64_t>(bytes.size());
        TCallRecord rec;
        WalkRecords(buf, rec, YieldHook{}, nullptr,
                    [&](const TCallRecord& r, RecordDamage damage, std::int64_t offset) {
                        std::cout << RecordJson(path, r, damage, offset) << '\n';
                        return true;
                    });
    }
    std::cout.flush();
    return status;
}

} // namespace kestrom::cli
