#include "app/CliCommands.h"
#include "db/Database.h"
#include "decode/DecodeLoop.h"
#include "load/CallTable.h"
#include "load/FileBytes.h"
#include "load/PreFilter.h"

#include <filesystem>
#include <iostream>
#include <stdexcept>

namespace kestrom::cli {

namespace {

class StderrMessages : public MessageSink {
  public:
    void Information(std::string_view text) override { std::cerr << text << "\n"; }
};

} // namespace

int Store(const Args& args, const std::filesystem::path& programDir) {
    std::filesystem::path dbDir = programDir;
    std::vector<std::string> files;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--db-dir") {
            if (i + 1 >= args.size()) {
                std::cerr << "kestrom-cli store: --db-dir: не указан каталог\n";
                return 2;
            }
            dbDir = args[++i];
        } else {
            files.push_back(args[i]);
        }
    }
    std::error_code ec;
    if (!std::filesystem::is_directory(dbDir, ec)) {
        std::cerr << "kestrom-cli store: --db-dir: каталог не существует: " << dbDir.string()
                  << "\n";
        return 2;
    }
    if (files.empty()) {
        std::cerr << "kestrom-cli store: укажите хотя бы один файл *.ama\n";
        return 2;
    }
    try {
        StderrMessages messages;
        Database db(dbDir);
        EmptyCallTable(db);
        CallTable table(db, messages);
        TPreFilter filter; // every sound record is kept
        PrepareFilter(filter);
        table.OpenCallTable();
        std::vector<std::uint8_t> bytes;
        std::uint64_t damaged = 0;
        std::string report;
        for (const std::string& path : files) {
            ReadFileBytes(path, bytes);
            TLoadBuffer buf;
            buf.Data = bytes.empty() ? nullptr : bytes.data();
            buf.Size = static_cast<std::int64_t>(bytes.size());
            TCallRecord rec;
            DecodeContext ctx{buf, rec, filter, table, YieldHook{}, nullptr};
            const DecodeStats st = DecodeBuffer(ctx);
            if (st.Damaged() != 0) {
                damaged += st.Damaged();
                report.append("\n")
                    .append(std::filesystem::path(path).filename().string())
                    .append(": ")
                    .append(std::to_string(st.Damaged()));
            }
        }
        table.CloseCallTable();
        if (damaged != 0)
            messages.Information(std::string("Пропущено повреждённых записей: ")
                                     .append(std::to_string(damaged))
                                     .append(".")
                                     .append(report));
        std::cout << "Загружено: " << table.RowCounter() - 1 << " записей." << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "kestrom-cli store: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace kestrom::cli
