#include "app/CliCommands.h"
#include "archive/ArchiveLoad.h"
#include "console/ConsoleFrontEnd.h"
#include "db/Database.h"
#include "load/LoadCommand.h"
#include "load/PreFilter.h"
#include "settings/SettingsFiles.h"

#include <charconv>
#include <filesystem>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>

namespace kestrom::cli {

namespace {

/// The console's load keeps the print header lines in addpar.ini of the
/// call table's directory, as the window keeps them in its own.
class HeaderKeepingFrontEnd : public ConsoleFrontEnd {
  public:
    explicit HeaderKeepingFrontEnd(const std::filesystem::path& dir) {
        settings_.ProgramDir = WithTrailingDelimiter(dir.string());
    }
    void SavePrintHeaders(const std::string& printStr, const std::string& printStr1) override {
        settings_.PrintStr = printStr;
        settings_.PrintStr1 = printStr1;
        kestrom::SavePrintHeaders(settings_);
    }

  private:
    SettingsState settings_;
};

struct ArgError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

constexpr std::string_view ModeNames[] = {"eq",         "like",   "starts",  "ends",
                                          "not-starts", "not-eq", "not-ends"};

// A run of len decimal digits at s[at], and nothing else (no sign).
bool Digits(std::string_view s, std::size_t at, std::size_t len, int& out) {
    for (std::size_t i = at; i < at + len; ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    const auto r = std::from_chars(s.data() + at, s.data() + at + len, out);
    return r.ec == std::errc() && r.ptr == s.data() + at + len;
}

std::optional<CivilDate> ParseDate(std::string_view s) {
    int y = 0, m = 0, d = 0;
    if (s.size() != 10 || s[4] != '-' || s[7] != '-') return std::nullopt;
    auto num = [&](std::size_t at, std::size_t len, int& out) { return Digits(s, at, len, out); };
    if (!num(0, 4, y) || !num(5, 2, m) || !num(8, 2, d) || !IsValidDate(y, m, d))
        return std::nullopt;
    return CivilDate{y, m, d};
}

std::optional<TDateTime> ParseTime(std::string_view s) {
    int h = 0, mi = 0, se = 0;
    if (s.size() != 8 || s[2] != ':' || s[5] != ':') return std::nullopt;
    auto num = [&](std::size_t at, int& out) { return Digits(s, at, 2, out); };
    if (!num(0, h) || !num(3, mi) || !num(6, se) || h > 23 || mi > 59 || se > 59)
        return std::nullopt;
    return EncodeTime({h, mi, se, 0});
}

int ParseInt(const std::string& name, std::string_view s, int max) {
    int v = 0;
    const auto r = std::from_chars(s.data(), s.data() + s.size(), v);
    if (r.ec != std::errc() || r.ptr != s.data() + s.size() || v < 0 || v > max)
        throw ArgError(name + ": ожидается число от 0 до " + std::to_string(max) + ": " +
                       std::string(s));
    return v;
}

// MODE:TEXT of a number filter.
void ParseNumber(const std::string& name, std::string_view s, int& mode, std::string& text) {
    const std::size_t colon = s.find(':');
    const std::string_view m = s.substr(0, colon);
    for (std::size_t i = 0; i < std::size(ModeNames); ++i)
        if (ModeNames[i] == m) mode = static_cast<int>(i);
    if (colon == std::string_view::npos || mode < 0)
        throw ArgError(name +
                       ": ожидается РЕЖИМ:ТЕКСТ, где РЕЖИМ — eq, like, starts, ends, "
                       "not-starts, not-eq или not-ends: " +
                       std::string(s));
    text = std::string(s.substr(colon + 1));
}

struct LoadArgs {
    LoadRequest request;
    std::filesystem::path dbDir;
    std::optional<std::string> server; ///< the archive's connection string
};

LoadArgs Parse(const Args& args, const std::filesystem::path& programDir) {
    LoadArgs a;
    a.request.RequireFilter = false;
    a.request.AutoOpen = false;
    TPreFilter& r = a.request.Filter;
    r.OnlySuccessful = true; // until --all-calls
    LoadPeriod& period = a.request.Period;
    a.dbDir = programDir;
    std::optional<CivilDate> from, to;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw ArgError(name + ": не указано значение");
            return args[++i];
        };
        if (name == "--ama-dir") {
            period.AmaFolder = value();
        } else if (name == "--server") {
            a.server = value();
        } else if (name == "--from") {
            from = ParseDate(value());
            if (!from) throw ArgError("--from: ожидается дата ГГГГ-ММ-ДД: " + args[i]);
        } else if (name == "--to") {
            to = ParseDate(value());
            if (!to) throw ArgError("--to: ожидается дата ГГГГ-ММ-ДД: " + args[i]);
        } else if (name == "--exchange") {
            r.ExchangeNumber = value();
        } else if (name == "--a") {
            r.NumberAOn = true;
            ParseNumber(name, value(), r.NumberAMatch, r.NumberAText);
        } else if (name == "--b") {
            r.NumberBOn = true;
            ParseNumber(name, value(), r.NumberBMatch, r.NumberBText);
        } else if (name == "--join") {
            const std::string v = value();
            if (v != "and" && v != "or") throw ArgError("--join: ожидается and или or: " + v);
            r.NumberJoin = v == "and" ? 0 : 1;
        } else if (name == "--in-tg") {
            r.InTrunkGroupOn = true;
            r.InTrunkGroup = ParseInt(name, value(), 32767);
        } else if (name == "--out-tg") {
            r.OutTrunkGroupOn = true;
            r.OutTrunkGroup = ParseInt(name, value(), 32767);
        } else if (name == "--error-code") {
            r.ErrorCodeOn = true;
            r.ErrorCode = ParseInt(name, value(), 127);
        } else if (name == "--time-from" || name == "--time-to") {
            const std::optional<TDateTime> t = ParseTime(value());
            if (!t) throw ArgError(name + ": ожидается время ЧЧ:ММ:СС: " + args[i]);
            (name == "--time-from" ? r.TimeFromOn : r.TimeToOn) = true;
            (name == "--time-from" ? r.TimeFrom : r.TimeTo) = *t;
        } else if (name == "--all-calls") {
            r.OnlySuccessful = false;
        } else if (name == "--db-dir") {
            a.dbDir = value();
        } else {
            throw ArgError("неизвестный аргумент: " + name);
        }
    }
    std::error_code ec;
    if (a.server && !period.AmaFolder.empty())
        throw ArgError("--ama-dir и --server: укажите что-то одно — каталог файлов или архив");
    if (a.server) {
        if (a.server->empty()) throw ArgError("--server: пустая строка подключения к архиву");
    } else if (period.AmaFolder.empty()) {
        throw ArgError("не указан источник: --ama-dir (каталог файлов *.AMA) или --server "
                       "(архив)");
    } else if (!std::filesystem::is_directory(period.AmaFolder, ec)) {
        throw ArgError("--ama-dir: каталог не существует: " + period.AmaFolder);
    }
    if (!std::filesystem::is_directory(a.dbDir, ec))
        throw ArgError("--db-dir: каталог не существует: " + a.dbDir.string());
    if (!from) throw ArgError("--from: не указана дата начала периода");
    if (!to) throw ArgError("--to: не указана дата окончания периода");
    // Whole days, as the window's pickers hold them: from 00:00 to 23:59.
    period.Start = EncodeDate(*from);
    period.End = EncodeDate(*to) + EncodeTime({23, 59, 0, 0});
    return a;
}

} // namespace

int Load(const Args& args, const std::filesystem::path& programDir) {
    LoadArgs a;
    try {
        a = Parse(args, programDir);
    } catch (const ArgError& e) {
        std::cerr << "kestrom-cli load: " << e.what() << "\n";
        Usage();
        return 2;
    }
    try {
        HeaderKeepingFrontEnd fe(std::filesystem::absolute(a.dbDir));
        Database db(a.dbDir);
        LoadSession session(db);
        std::optional<ArchiveLoad> archive;
        if (a.server) a.request.Archive = &archive.emplace(*a.server);
        const LoadOutcome out = session.Run(a.request, fe);
        if (!out.Ran) return 1;
        std::cout << "Загружено: " << out.Loaded << " записей." << std::endl;
    } catch (const std::exception& e) {
        std::cerr << "kestrom-cli load: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace kestrom::cli
