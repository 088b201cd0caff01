// amagen: writes AMA files of made-up but realistic calls, for tests and
// benchmarks. The same arguments always give the same bytes.

#include "tools/AmaGenerator.h"

#include <charconv>
#include <chrono>
#include <cstdio>
#include <exception>
#include <fstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

using kestrom::CivilDate;
using kestrom::gen::GenerationCounts;
using kestrom::gen::GenerationManifest;
using kestrom::gen::GeneratorOptions;

constexpr const char* Usage =
    "usage: amagen [options]\n"
    "  --out DIR                  folder to write into (default: .)\n"
    "  --exchange X[,Y...]        exchange number(s), repeatable (default: i3962)\n"
    "  --from YYYY-MM-DD          first day (default: 2006-10-09)\n"
    "  --days N                   number of days (default: 1)\n"
    "  --files-per-day N          files per exchange and day (default: 1)\n"
    "  --records N                call records per file (default: 1000)\n"
    "  --mb M                     total size in MiB instead of --records (may be fractional)\n"
    "  --bad-checksum-share P     share 0..1 of records with a wrong checksum (default: 0)\n"
    "  --seed S                   random seed (default: 1)\n"
    "  --damage                   per file: one record dated month 13, and a last\n"
    "                             record cut off inside its checksum element\n"
    "  --manifest FILE            also write what was generated, one line per file\n"
    "  --quiet                    print only the totals\n";

struct Failure {
    std::string text;
};

template <class T> T ParseNumber(std::string_view option, std::string_view v) {
    T out{};
    const auto [end, ec] = std::from_chars(v.data(), v.data() + v.size(), out);
    if (ec != std::errc{} || end != v.data() + v.size() || v.empty())
        throw Failure{std::string(option) + ": not a number: " + std::string(v)};
    return out;
}

CivilDate ParseDate(std::string_view v) {
    if (v.size() != 10 || v[4] != '-' || v[7] != '-')
        throw Failure{"--from: expected YYYY-MM-DD, got " + std::string(v)};
    CivilDate d;
    d.year = ParseNumber<int>("--from", v.substr(0, 4));
    d.month = ParseNumber<int>("--from", v.substr(5, 2));
    d.day = ParseNumber<int>("--from", v.substr(8, 2));
    if (!kestrom::IsValidDate(d.year, d.month, d.day) || d.year < 2000 || d.year > 2255)
        throw Failure{"--from: not a date from 2000 to 2255: " + std::string(v)};
    return d;
}

void AddExchanges(std::vector<std::string>& out, std::string_view list) {
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view item = list.substr(0, comma);
        if (!item.empty()) {
            if (item.size() > 10 || item.find_first_of("/\\*?") != std::string_view::npos)
                throw Failure{"--exchange: not an exchange number: " + std::string(item)};
            out.emplace_back(item);
        }
        if (comma == std::string_view::npos) break;
        list.remove_prefix(comma + 1);
    }
}

void PrintCounts(std::FILE* f, const char* name, const GenerationCounts& c) {
    std::fprintf(
        f,
        "%s\tbytes=%llu records=%llu sound=%llu successful=%llu bad_checksum=%llu "
        "bad_date=%llu cut_off=%llu partial=%llu long_calls=%llu further=%llu "
        "unknown_elements=%llu\n",
        name, static_cast<unsigned long long>(c.Bytes),
        static_cast<unsigned long long>(c.CallRecords), static_cast<unsigned long long>(c.Sound),
        static_cast<unsigned long long>(c.Successful),
        static_cast<unsigned long long>(c.BadChecksum), static_cast<unsigned long long>(c.BadDate),
        static_cast<unsigned long long>(c.CutOff),
        static_cast<unsigned long long>(c.PartialRecords),
        static_cast<unsigned long long>(c.LongCalls),
        static_cast<unsigned long long>(c.FurtherRecords),
        static_cast<unsigned long long>(c.UnknownElements));
}

int Run(int argc, char** argv) {
    GeneratorOptions o;
    o.Exchanges.clear();
    std::string out = ".";
    std::string manifestPath;
    bool quiet = false;
    bool recordsGiven = false;

    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view value;
        bool hasInline = false;
        if (const std::size_t eq = arg.find('='); arg.starts_with("--") && eq != arg.npos) {
            value = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasInline = true;
        }
        auto next = [&]() -> std::string_view {
            if (hasInline) return value;
            if (i + 1 >= argc) throw Failure{std::string(arg) + ": value missing"};
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(Usage, stdout);
            return 0;
        } else if (arg == "--out") {
            out = next();
        } else if (arg == "--exchange") {
            AddExchanges(o.Exchanges, next());
        } else if (arg == "--from") {
            o.From = ParseDate(next());
        } else if (arg == "--days") {
            o.Days = ParseNumber<int>(arg, next());
        } else if (arg == "--files-per-day") {
            o.FilesPerDay = ParseNumber<int>(arg, next());
        } else if (arg == "--records") {
            o.RecordsPerFile = ParseNumber<std::uint64_t>(arg, next());
            recordsGiven = true;
        } else if (arg == "--mb") {
            const double mb = ParseNumber<double>(arg, next());
            if (!(mb > 0) || mb > 1e6) throw Failure{"--mb: expected a size above 0"};
            o.TotalBytes = static_cast<std::uint64_t>(mb * 1048576.0);
            if (o.TotalBytes == 0) o.TotalBytes = 1;
        } else if (arg == "--bad-checksum-share") {
            o.BadChecksumShare = ParseNumber<double>(arg, next());
            if (!(o.BadChecksumShare >= 0 && o.BadChecksumShare <= 1))
                throw Failure{"--bad-checksum-share: expected a share from 0 to 1"};
        } else if (arg == "--seed") {
            o.Seed = ParseNumber<std::uint64_t>(arg, next());
        } else if (arg == "--damage") {
            o.Damage = true;
        } else if (arg == "--manifest") {
            manifestPath = next();
        } else if (arg == "--quiet") {
            quiet = true;
        } else {
            throw Failure{"unknown option: " + std::string(arg)};
        }
    }
    if (recordsGiven && o.TotalBytes > 0) throw Failure{"give --records or --mb, not both"};
    if (o.Days < 1 || o.Days > 3660) throw Failure{"--days: expected 1 to 3660"};
    if (o.FilesPerDay < 1 || o.FilesPerDay > 1000)
        throw Failure{"--files-per-day: expected 1 to 1000"};
    if (o.Exchanges.empty()) o.Exchanges.emplace_back("i3962");
    if (kestrom::CivilFromDays(kestrom::DaysFromCivil(o.From) + o.Days - 1).year > 2255)
        throw Failure{"--days: the period must end by 2255"};

    const auto t0 = std::chrono::steady_clock::now();
    const GenerationManifest m = kestrom::gen::WriteFiles(o, out);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();

    if (!quiet)
        for (const auto& f : m.Files)
            PrintCounts(stdout, f.Name.c_str(), f.Counts);
    PrintCounts(stdout, "total", m.Total);
    std::fprintf(stdout, "%zu files in %.2f s (%.1f MB/s)\n", m.Files.size(), seconds,
                 seconds > 0 ? static_cast<double>(m.Total.Bytes) / 1048576.0 / seconds : 0.0);

    if (!manifestPath.empty()) {
        std::FILE* f = std::fopen(manifestPath.c_str(), "w");
        if (f == nullptr) throw Failure{"cannot write " + manifestPath};
        for (const auto& file : m.Files)
            PrintCounts(f, file.Name.c_str(), file.Counts);
        PrintCounts(f, "total", m.Total);
        if (std::fclose(f) != 0) throw Failure{"cannot write " + manifestPath};
    }
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const Failure& e) {
        std::fprintf(stderr, "amagen: %s\n%s", e.text.c_str(), Usage);
        return 2;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "amagen: %s\n", e.what());
        return 1;
    }
}
