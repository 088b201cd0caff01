#include "app/CliCommands.h"
#include "app/RecordJson.h"
#include "decode/RecordWalk.h"
#include "load/MappedFile.h"

#include <cstdio>
#include <iostream>

namespace kestrom::cli {

int Decode(const Args& args) {
    if (args.empty()) {
        std::cerr << "kestrom-cli decode: укажите хотя бы один файл *.ama\n";
        return 2;
    }
    int status = 0;
    for (const std::string& path : args) {
        const MappedFile file(path);
        if (!file.Ok()) {
            std::cerr << "kestrom-cli decode: " << path << ": "
                      << (file.State() == MappedFile::Status::NotRegular ? "не обычный файл"
                                                                         : file.Error())
                      << "\n";
            status = 1;
            continue;
        }
        TLoadBuffer buf;
        buf.Data = file.Data();
        buf.Size = file.Size();
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
