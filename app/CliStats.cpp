#include "app/CliCommands.h"
#include "app/CliResult.h"
#include "app/CliResultOptions.h"
#include "app/RecordJson.h"
#include "db/Query.h"
#include "results/CallStatistics.h"
#include "results/CsvWriter.h"
#include "results/ExportError.h"
#include "results/ExportOutput.h"
#include "results/ReplacingFile.h"

#include <cmath>
#include <exception>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrom::cli {

namespace {

enum class StatsFormat { Json, Csv };

struct Options {
    explicit Options(const std::filesystem::path& programDir) : result(programDir) {}
    CliResultOptions result;
    StatsFormat format = StatsFormat::Json;
    std::optional<std::filesystem::path> out;
};

StatsFormat ParseFormat(const std::string& value) {
    if (value == "json") return StatsFormat::Json;
    if (value == "csv") return StatsFormat::Csv;
    throw UsageError{
        std::string("--format: неизвестный формат: ").append(value).append(" (json или csv)")};
}

Options ParseOptions(const Args& args, const std::filesystem::path& programDir) {
    Options o(programDir);
    bool format = false;
    WalkOptions(args, {"--db-dir", "--where", "--format", "--out"}, {},
                [&](const std::string& name, const std::string& value) {
                    if (o.result.Take(name, value)) return;
                    if (name == "--format") {
                        o.format = ParseFormat(value);
                        format = true;
                    } else {
                        o.out = value;
                    }
                });
    if (!format) throw UsageError{"--format: не указан формат (json или csv)"};
    o.result.Check();
    return o;
}

// Minutes in their shortest exact decimal form; never NaN or infinite in
// the output, which JSON has no words for.
std::string MinutesText(double minutes) {
    std::string text;
    AppendShortestDecimal(std::isfinite(minutes) ? minutes : 0.0, text);
    return text;
}

// JSON: one object, its keys in the order of the figures.
class JsonStats {
  public:
    explicit JsonStats(const CallStatistics& s) {
        out_ = "{";
        Key("per_day");
        Object(s.days, [this](const CallStatistics::DayFigure& d) {
            Key(d.date);
            out_ += std::to_string(d.calls);
        });
        Key("per_hour");
        out_ += '[';
        for (std::size_t h = 0; h < s.hours.size(); ++h)
            out_.append(h > 0 ? "," : "").append(std::to_string(s.hours[h]));
        out_ += ']';
        Key("minutes_per_day");
        Object(s.days, [this](const CallStatistics::DayFigure& d) {
            Key(d.date);
            out_ += MinutesText(d.minutes);
        });
        Key("durations");
        out_ += '{';
        for (std::size_t b = 0; b < CallStatistics::BucketCount; ++b) {
            Key(CallStatistics::BucketNames[b]);
            out_ += std::to_string(s.durations[b]);
        }
        out_ += '}';
        Key("by_failure");
        Object(s.failures, [this](const CallStatistics::CountFigure& f) {
            Key(f.text);
            out_ += std::to_string(f.calls);
        });
        Key("top_b");
        Numbers(s.topB);
        Key("top_a");
        Numbers(s.topA);
        Key("without_start_date");
        out_ += std::to_string(s.withoutStartDate);
        out_ += "}\n";
    }

    std::string Take() { return std::move(out_); }

  private:
    // A key with its colon, after a comma unless it opens its object.
    void Key(std::string_view key) {
        if (out_.back() != '{') out_ += ',';
        AppendJsonString(out_, key);
        out_ += ':';
    }

    template <class Figures, class Write> void Object(const Figures& figures, Write write) {
        out_ += '{';
        for (const auto& figure : figures)
            write(figure);
        out_ += '}';
    }

    void Numbers(const std::vector<CallStatistics::NumberFigure>& top) {
        out_ += '[';
        for (const CallStatistics::NumberFigure& n : top) {
            if (out_.back() != '[') out_ += ',';
            out_ += '{';
            Key("number");
            AppendJsonString(out_, n.number);
            Key("calls");
            out_ += std::to_string(n.calls);
            Key("minutes");
            out_ += MinutesText(n.minutes);
            out_ += '}';
        }
        out_ += ']';
    }

    std::string out_;
};

// CSV: one record per figure, "figure,key,calls,minutes".
std::string CsvStats(const CallStatistics& s) {
    std::string out;
    const auto record = [&out](std::string_view figure, std::string_view key, std::int64_t calls,
                               std::string_view minutes) {
        const std::string count = std::to_string(calls);
        const std::string_view fields[] = {figure, key, count, minutes};
        AppendCsvRecord(out, fields);
    };
    const std::string_view header[] = {"figure", "key", "calls", "minutes"};
    AppendCsvRecord(out, header);
    for (const CallStatistics::DayFigure& d : s.days)
        record("per_day", d.date, d.calls, MinutesText(d.minutes));
    for (std::size_t h = 0; h < s.hours.size(); ++h)
        record("per_hour", std::to_string(h), s.hours[h], "");
    for (std::size_t b = 0; b < CallStatistics::BucketCount; ++b)
        record("duration", CallStatistics::BucketNames[b], s.durations[b], "");
    for (const CallStatistics::CountFigure& f : s.failures)
        record("failure", f.text, f.calls, "");
    for (const CallStatistics::NumberFigure& n : s.topB)
        record("top_b", n.number, n.calls, MinutesText(n.minutes));
    for (const CallStatistics::NumberFigure& n : s.topA)
        record("top_a", n.number, n.calls, MinutesText(n.minutes));
    record("without_start_date", "", s.withoutStartDate, "");
    return out;
}

// The text into FILE, put in place only when complete; raises ExportError.
void WriteFile(const std::filesystem::path& path, std::string& text) {
    ReplacingFile file(path.string());
    ExportOutput out(file.Descriptor(), path.string());
    out.Buffer().swap(text);
    out.Flush();
    file.Commit();
}

} // namespace

int Stats(const Args& args, const std::filesystem::path& programDir) {
    constexpr std::string_view Prefix = "kestrom-cli stats: ";
    const std::optional<Options> o =
        ParsedOrReported([&] { return ParseOptions(args, programDir); }, Prefix);
    if (!o) return 2;

    CliResult result;
    try {
        if (const int status = result.Open(o->result, Prefix); status != 0) return status;
        const std::vector<std::uint32_t> shown = result.ReadFiltered();
        const CallStatistics s = CallStatistics::Of(result.Rows(), shown);
        std::string text = o->format == StatsFormat::Json ? JsonStats(s).Take() : CsvStats(s);
        if (o->out) {
            WriteFile(*o->out, text);
        } else if (!std::cout.write(text.data(), static_cast<std::streamsize>(text.size())) ||
                   !std::cout.flush()) {
            std::cerr << Prefix << "ошибка записи\n";
            return 1;
        }
    } catch (const ExportError& e) {
        std::cerr << Prefix << e.what() << "\n";
        return 1;
    } catch (const std::exception& e) {
        std::cerr << Prefix << result.Explain(e) << "\n";
        return 1;
    }
    return 0;
}

} // namespace kestrom::cli
