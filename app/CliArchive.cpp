#include "app/CliCommands.h"
#include "archive/ArchiveIngest.h"
#include "archive/ArchiveSchema.h"
#include "archive/PgConnection.h"

#include <atomic>
#include <charconv>
#include <chrono>
#include <csignal>
#include <filesystem>
#include <iostream>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

namespace kestrom::cli {

namespace {

struct ArgError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

struct ArchiveArgs {
    std::string server;
    std::filesystem::path amaDir;
    std::string exchange = "*";
    bool watch = false;
    int interval = 60; // seconds between two looks at the folder
    int jobs = 2;      // files stored at the same time
};

int ParseCount(const std::string& name, const std::string& v, int max) {
    int n = 0;
    const auto r = std::from_chars(v.data(), v.data() + v.size(), n);
    if (r.ec != std::errc() || r.ptr != v.data() + v.size() || n < 1 || n > max)
        throw ArgError(name + ": ожидается число от 1 до " + std::to_string(max) + ": " + v);
    return n;
}

ArchiveArgs Parse(const Args& args) {
    ArchiveArgs a;
    bool intervalGiven = false;
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& name = args[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= args.size()) throw ArgError(name + ": не указано значение");
            return args[++i];
        };
        if (name == "--server") {
            a.server = value();
        } else if (name == "--ama-dir") {
            a.amaDir = value();
        } else if (name == "--exchange") {
            a.exchange = value();
        } else if (name == "--watch") {
            a.watch = true;
        } else if (name == "--interval") {
            a.interval = ParseCount(name, value(), 86400);
            intervalGiven = true;
        } else if (name == "--jobs") {
            a.jobs = ParseCount(name, value(), 16);
        } else {
            throw ArgError("неизвестный аргумент: " + name);
        }
    }
    if (a.server.empty())
        throw ArgError(
            "--server: не указана строка подключения к архиву (host=... или service=...)");
    std::error_code ec;
    if (a.amaDir.empty()) throw ArgError("--ama-dir: не указан каталог файлов *.AMA");
    if (!std::filesystem::is_directory(a.amaDir, ec))
        throw ArgError("--ama-dir: каталог не существует: " + a.amaDir.string());
    if (intervalGiven && !a.watch) throw ArgError("--interval: указывается только с --watch");
    return a;
}

std::atomic<bool> stopRequested{false};

extern "C" void OnStopSignal(int) {
    stopRequested = true;
}

void CatchStopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

void PrintReport(const IngestReport& r) {
    for (const std::string& m : r.Messages)
        std::cerr << m << "\n";
    std::cout << "Принято файлов: " << r.Ingested << ", заменено: " << r.Replaced
              << ", без изменений: " << r.Unchanged << ", записей: " << r.Rows
              << ", повреждённых записей: " << r.Damaged << "." << std::endl;
}

void Pause(int seconds) {
    using namespace std::chrono_literals;
    for (int i = 0; i < seconds * 10 && !stopRequested; ++i)
        std::this_thread::sleep_for(100ms);
}

// Looks at the folder every interval until a stop signal. A lost server is
// looked for again at the next round; any other failure ends the watch.
int Watch(std::unique_ptr<PgConnection> pg, const ArchiveArgs& a,
          const std::filesystem::path& programDir) {
    CatchStopSignals();
    for (bool first = true; !stopRequested; first = false) {
        try {
            if (!pg) pg = std::make_unique<PgConnection>(a.server);
            const IngestReport r = IngestFolder(*pg, a.amaDir, a.exchange, programDir,
                                                {.Connections = a.jobs, .Stop = &stopRequested});
            if (first || r.Ingested + r.Replaced > 0 || !r.Messages.empty()) PrintReport(r);
        } catch (const ArchiveError& e) {
            std::cerr << "kestrom-cli archive: " << e.what() << "\n";
            if (pg && pg->Ok()) return 1;
            pg.reset();
        }
        Pause(a.interval);
    }
    std::cout << "Наблюдение за папкой остановлено." << std::endl;
    return 0;
}

} // namespace

int Archive(const Args& args, const std::filesystem::path& programDir) {
    ArchiveArgs a;
    try {
        a = Parse(args);
    } catch (const ArgError& e) {
        std::cerr << "kestrom-cli archive: " << e.what() << "\n";
        Usage();
        return 2;
    }
    try {
        UseProgramServiceFile(programDir);
        auto pg = std::make_unique<PgConnection>(a.server);
        EnsureArchiveSchema(*pg, programDir);
        if (a.watch) return Watch(std::move(pg), a, programDir);
        PrintReport(IngestFolder(*pg, a.amaDir, a.exchange, programDir, {.Connections = a.jobs}));
    } catch (const std::exception& e) {
        std::cerr << "kestrom-cli archive: " << e.what() << "\n";
        return 1;
    }
    return 0;
}

} // namespace kestrom::cli
