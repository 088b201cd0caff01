#include "archive/ArchiveIngest.h"

#include "archive/ArchiveSchema.h"
#include "archive/ArchiveText.h"
#include "archive/ContentHash.h"
#include "archive/CopyBinaryWriter.h"
#include "archive/PgTransaction.h"
#include "load/DaySearch.h"
#include "load/DecodeLoop.h"
#include "load/MappedFile.h"
#include "load/PreFilter.h"
#include "load/SystemErrorText.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <memory>
#include <set>
#include <sys/stat.h>
#include <thread>
#include <unordered_map>

namespace kestrom {

namespace {

namespace fs = std::filesystem;
using Param = PgConnection::Param;

// What kestrom.files holds of a file.
struct KnownFile {
    std::int64_t Id = 0;
    std::int64_t Size = -1;
    std::int64_t MtimeUs = 0;
    std::string Hash;
};

// A file as the folder shows it now.
struct FileState {
    std::int64_t Size = 0;
    std::int64_t MtimeUs = 0; // microseconds since 1970-01-01 UTC
};

// The timestamptz of microseconds since 1970 in parameter n, and back.
std::string MtimeSql(int n) {
    return "to_timestamp(0) + $" + std::to_string(n) + "::bigint * interval '1 microsecond'";
}
constexpr const char* MtimeUsSql = "(extract(epoch FROM mtime) * 1000000)::bigint";

std::string Text(std::int64_t v) {
    return std::to_string(v);
}

std::string DateText(const CivilDate& d) {
    return IsoDate(EncodeDate(d));
}

// A text[] literal of the names, each quoted.
std::string TextArray(const std::vector<std::string>& items) {
    std::string out = "{";
    for (const std::string& item : items) {
        out += out.size() == 1 ? "\"" : ",\"";
        for (char c : item) {
            if (c == '"' || c == '\\') out += '\\';
            out += c;
        }
        out += '"';
    }
    return out + "}";
}

// The second key of a file's advisory lock: 32 bits of a hash of its name.
std::string NameLockKey(std::string_view name) {
    const auto h = static_cast<std::uint32_t>(
        ContentHash64(reinterpret_cast<const std::uint8_t*>(name.data()), name.size()));
    return Text(static_cast<std::int32_t>(h));
}

bool AllExchanges(std::string_view exchange) {
    return exchange.empty() || exchange == "*";
}

// A file belongs to the exchange when a load of its day for that exchange
// picks it.
bool OfExchange(std::string_view exchange, const AmaFileName& key, std::string_view name) {
    return AllExchanges(exchange) || NameMatches(DayPattern(exchange, EncodeDate(key.Day)), name);
}

std::optional<FileState> StatFile(const std::string& path, std::string& error) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        error = SystemErrorText(errno);
        return std::nullopt;
    }
    return FileState{static_cast<std::int64_t>(st.st_size),
                     static_cast<std::int64_t>(st.st_mtim.tv_sec) * 1000000 +
                         static_cast<std::int64_t>(st.st_mtim.tv_nsec) / 1000};
}

using KnownFiles = std::unordered_map<std::string, KnownFile>;

KnownFiles ReadKnownFiles(PgConnection& pg) {
    KnownFiles known;
    const PgResult r =
        pg.Exec(std::string("SELECT name, id, size, ") + MtimeUsSql + ", hash FROM kestrom.files");
    for (int i = 0; i < r.Rows(); ++i)
        known[std::string(r.Value(i, 0))] = {r.Integer(i, 1), r.Integer(i, 2), r.Integer(i, 3),
                                             std::string(r.Value(i, 4))};
    return known;
}

// A file of the folder that may be new or changed: it is read and hashed.
struct Candidate {
    std::size_t Index = 0; // its place in the folder's listing
    std::string Name;
    AmaFileName Key;
    FileState State;
};

// What one share of a run did; messages carry the file's place in the
// listing, so that the run reports them in that order.
struct RunShare {
    IngestReport Report;
    std::vector<std::pair<std::size_t, std::string>> Messages;
    std::vector<std::string> Stored; // names of the files this share stored

    void Problem(std::size_t index, const std::string& name, std::string_view text) {
        Messages.emplace_back(index, name + ": " + std::string(text));
    }
};

// Reads, compares and stores candidates over one connection.
class FileStore {
  public:
    FileStore(PgConnection& pg, const std::string& folder, const KnownFiles& known, RunShare& share)
        : pg_(pg), folder_(folder), known_(known), share_(share) {}

    void Process(const Candidate& c);

  private:
    void Store(const Candidate& c, const MappedFile& file, const FileState& state,
               const std::string& hash);
    DecodeStats CopyRows(std::int64_t id, const AmaFileName& key, const MappedFile& file);

    PgConnection& pg_;
    const std::string& folder_;
    const KnownFiles& known_;
    RunShare& share_;
};

void FileStore::Process(const Candidate& c) {
    const MappedFile file(folder_ + c.Name);
    if (file.State() == MappedFile::Status::NotRegular)
        return share_.Problem(c.Index, c.Name, "не обычный файл, пропущен");
    if (!file.Ok())
        return share_.Problem(c.Index, c.Name, "файл не прочитан (" + file.Error() + ")");
    const std::string hash = ContentHash(file.Data(), static_cast<std::size_t>(file.Size()));
    const FileState now{file.Size(), c.State.MtimeUs};
    const auto known = known_.find(c.Name);
    if (known != known_.end() && known->second.Hash == hash) {
        // Touched, not changed: the quick check holds again next time.
        pg_.Exec("UPDATE kestrom.files SET size = $2, mtime = " + MtimeSql(3) + " WHERE id = $1",
                 {Text(known->second.Id), Text(now.Size), Text(now.MtimeUs)});
        ++share_.Report.Unchanged;
        return;
    }
    Store(c, file, now, hash);
}

// Everything of one file in one transaction: its files row, its rows, its
// counts. A killed ingest leaves the file as it was before.
void FileStore::Store(const Candidate& c, const MappedFile& file, const FileState& state,
                      const std::string& hash) {
    PgTransaction tx(pg_);
    pg_.Exec("SELECT pg_advisory_xact_lock(" + Text(static_cast<std::int32_t>(ArchiveLock::File)) +
                 ", $1::integer)",
             {NameLockKey(c.Name)});
    // Looked at again under the lock: another ingest may have stored it.
    const PgResult held =
        pg_.Exec("SELECT id, hash, day FROM kestrom.files WHERE name = $1", {c.Name});
    std::vector<Param> params = {Text(0),
                                 c.Key.Exchange,
                                 DateText(c.Key.Day),
                                 Text(static_cast<std::int64_t>(c.Index + 1)),
                                 Text(state.Size),
                                 Text(state.MtimeUs),
                                 hash};
    std::int64_t id = 0;
    const bool replaced = held.Rows() > 0;
    if (replaced) {
        if (held.Value(0, 1) == hash) {
            tx.Commit();
            ++share_.Report.Unchanged;
            return;
        }
        id = held.Integer(0, 0);
        pg_.Exec("DELETE FROM kestrom.calls WHERE file_id = $1 AND day = $2",
                 {Text(id), std::string(held.Value(0, 2))});
        params[0] = Text(id);
        pg_.Exec("UPDATE kestrom.files SET exchange = $2, day = $3, listing_order = $4, "
                 "size = $5, mtime = " +
                     MtimeSql(6) + ", hash = $7 WHERE id = $1",
                 params);
    } else {
        params[0] = c.Name;
        id = pg_.Exec("INSERT INTO kestrom.files (name, exchange, day, listing_order, size, "
                      "mtime, hash) VALUES ($1, $2, $3, $4, $5, " +
                          MtimeSql(6) + ", $7) RETURNING id",
                      params)
                 .Integer(0, 0);
    }
    const DecodeStats st = CopyRows(id, c.Key, file);
    pg_.Exec("UPDATE kestrom.files SET rows = $2, damaged = $3, short_last_record = $4, "
             "ingested_at = now() WHERE id = $1",
             {Text(id), Text(static_cast<std::int64_t>(st.Stored)),
              Text(static_cast<std::int64_t>(st.Damaged())),
              st.ShortLastRecord >= 0 ? Param(Text(st.ShortLastRecord)) : Param()});
    tx.Commit();

    IngestReport& r = share_.Report;
    ++(replaced ? r.Replaced : r.Ingested);
    r.Rows += static_cast<std::int64_t>(st.Stored);
    r.Damaged += static_cast<std::int64_t>(st.Damaged());
    share_.Stored.push_back(c.Name);
    std::string damage;
    if (st.Damaged() != 0)
        damage = "пропущено повреждённых записей: " + Text(static_cast<std::int64_t>(st.Damaged()));
    if (st.ShortLastRecord >= 0)
        damage += (damage.empty() ? "" : "; ") +
                  std::string("файл, возможно, обрезан: последняя запись (смещение ") +
                  Text(st.ShortLastRecord) + ") короче длины, указанной в её заголовке";
    if (!damage.empty()) share_.Problem(c.Index, c.Name, damage);
}

// Every sound record of the file, no load-time filter, through one binary COPY.
DecodeStats FileStore::CopyRows(std::int64_t id, const AmaFileName& key, const MappedFile& file) {
    pg_.BeginCopy("COPY kestrom.calls (" + ArchiveCallColumnList() +
                  ") FROM STDIN (FORMAT binary)");
    DecodeStats st;
    try {
        CopyBinaryWriter writer([this](std::string_view bytes) { pg_.PutCopyData(bytes); }, id,
                                PgDate(EncodeDate(key.Day)), key.Exchange);
        if (file.Size() > 0) {
            TLoadBuffer buf;
            buf.Data = file.Data();
            buf.Size = file.Size();
            TCallRecord rec;
            const TPreFilter everything;
            DecodeContext ctx{buf, rec, everything, writer, {}, nullptr};
            st = DecodeBuffer(ctx);
        }
        writer.Finish();
    } catch (...) {
        pg_.AbortCopy("Запись в архив прервана");
        throw;
    }
    pg_.EndCopy();
    return st;
}

// The first look at the folder, without reading any file: problems named,
// files of other exchanges passed over, files of the same size and time of
// change as the archive holds them counted as unchanged. The others are the
// candidates.
std::vector<Candidate> Survey(const std::vector<FoundFile>& files, const std::string& folder,
                              std::string_view exchange, const KnownFiles& known, RunShare& share) {
    std::vector<Candidate> candidates;
    for (std::size_t i = 0; i < files.size(); ++i) {
        const std::string& name = files[i].Name;
        if (!files[i].Regular) {
            share.Problem(i, name, "не обычный файл, пропущен");
            continue;
        }
        const std::optional<AmaFileName> key = ParseAmaFileName(name);
        if (!key) {
            if (AllExchanges(exchange))
                share.Problem(i, name, "в имени файла нет даты ГГГГММДД, пропущен");
            continue;
        }
        if (!OfExchange(exchange, *key, name)) continue;
        if (!IsArchiveUtf8(name)) {
            share.Problem(i, name, "имя файла не в кодировке UTF-8, пропущен");
            continue;
        }
        std::string error;
        const std::optional<FileState> state = StatFile(folder + name, error);
        if (!state) {
            share.Problem(i, name, "файл не прочитан (" + error + ")");
            continue;
        }
        const auto k = known.find(name);
        if (k != known.end() && k->second.Size == state->Size &&
            k->second.MtimeUs == state->MtimeUs) {
            ++share.Report.Unchanged;
            continue;
        }
        candidates.push_back({i, name, *key, *state});
    }
    return candidates;
}

// The listing order of every file of the folder the archive holds, as the
// folder lists them now; a load orders a day's files by it.
void UpdateListingOrder(PgConnection& pg, const std::vector<FoundFile>& files,
                        const KnownFiles& known, const std::set<std::string>& stored) {
    std::vector<std::string> names, orders;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (!known.contains(files[i].Name) && !stored.contains(files[i].Name)) continue;
        names.push_back(files[i].Name);
        orders.push_back(Text(static_cast<std::int64_t>(i + 1)));
    }
    if (names.empty()) return;
    pg.Exec("UPDATE kestrom.files AS f SET listing_order = v.o "
            "FROM unnest($1::text[], $2::integer[]) AS v(name, o) "
            "WHERE f.name = v.name AND f.listing_order <> v.o",
            {TextArray(names), TextArray(orders)});
}

// Works through the candidates over the connections, each taking the next
// file not yet taken. The first failure stops them all and is raised.
void StoreCandidates(const std::vector<std::unique_ptr<PgConnection>>& extra, PgConnection& pg,
                     const std::vector<Candidate>& candidates, const std::string& folder,
                     const KnownFiles& known, const std::atomic<bool>* stop,
                     std::vector<RunShare>& shares) {
    std::atomic<std::size_t> next{0};
    std::atomic<bool> failed{false};
    std::vector<std::exception_ptr> failures(shares.size());
    const auto work = [&](PgConnection& conn, std::size_t n) {
        try {
            FileStore store(conn, folder, known, shares[n]);
            for (std::size_t i = next++; i < candidates.size(); i = next++) {
                if (failed || (stop != nullptr && *stop)) break;
                store.Process(candidates[i]);
            }
        } catch (...) {
            failures[n] = std::current_exception();
            failed = true;
        }
    };
    std::vector<std::thread> threads;
    for (std::size_t n = 0; n < extra.size(); ++n)
        threads.emplace_back(work, std::ref(*extra[n]), n + 1);
    work(pg, 0);
    for (std::thread& t : threads)
        t.join();
    for (const std::exception_ptr& f : failures)
        if (f) std::rethrow_exception(f);
}

IngestReport Merge(std::vector<RunShare>& shares) {
    IngestReport report;
    std::vector<std::pair<std::size_t, std::string>> messages;
    for (RunShare& s : shares) {
        report.Ingested += s.Report.Ingested;
        report.Replaced += s.Report.Replaced;
        report.Unchanged += s.Report.Unchanged;
        report.Rows += s.Report.Rows;
        report.Damaged += s.Report.Damaged;
        messages.insert(messages.end(), s.Messages.begin(), s.Messages.end());
    }
    std::stable_sort(messages.begin(), messages.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    for (auto& m : messages)
        report.Messages.push_back(std::move(m.second));
    return report;
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

int DigitsValue(std::string_view s) {
    int v = 0;
    for (char c : s)
        v = v * 10 + (c - '0');
    return v;
}

} // namespace

std::optional<AmaFileName> ParseAmaFileName(std::string_view name) {
    std::size_t i = 0;
    while (i < name.size()) {
        if (!IsDigit(name[i])) {
            ++i;
            continue;
        }
        std::size_t end = i;
        while (end < name.size() && IsDigit(name[end]))
            ++end;
        if (end - i >= 8) {
            const std::string_view date = name.substr(end - 8, 8);
            const CivilDate day{DigitsValue(date.substr(0, 4)), DigitsValue(date.substr(4, 2)),
                                DigitsValue(date.substr(6, 2))};
            if (day.year >= 1 && IsValidDate(day.year, day.month, day.day))
                return AmaFileName{std::string(name.substr(0, end - 8)), day};
        }
        i = end;
    }
    return std::nullopt;
}

IngestReport IngestFolder(PgConnection& pg, const fs::path& folder, std::string_view exchange,
                          const fs::path& programDir, const IngestOptions& options) {
    if (ArchiveVersion(pg) != ArchiveSchemaVersion) EnsureArchiveSchema(pg, programDir);
    if (const std::string denied = FolderAccessError(folder); !denied.empty()) {
        IngestReport report;
        report.Messages.push_back("Нет доступа к папке " + folder.string() + ": " + denied + ".");
        return report;
    }
    const std::string dir = FolderWithSeparator(folder.string());
    const KnownFiles known = ReadKnownFiles(pg);
    const std::vector<FoundFile> files = SearchFiles(folder, "*.ama");
    std::vector<RunShare> shares(1);
    const std::vector<Candidate> candidates = Survey(files, dir, exchange, known, shares[0]);

    // The partitions first, each in a short transaction of its own: made
    // while the files are stored they would wait for those transactions.
    std::set<std::int64_t> days;
    for (const Candidate& c : candidates)
        if (days.insert(DaysFromCivil(c.Key.Day)).second) EnsureDayPartition(pg, c.Key.Day);

    const std::size_t connections =
        std::min(static_cast<std::size_t>(std::max(options.Connections, 1)),
                 std::max<std::size_t>(candidates.size(), 1));
    std::vector<std::unique_ptr<PgConnection>> extra;
    for (std::size_t n = 1; n < connections; ++n)
        extra.push_back(std::make_unique<PgConnection>(pg.Conninfo()));
    shares.resize(connections);
    StoreCandidates(extra, pg, candidates, dir, known, options.Stop, shares);

    std::set<std::string> stored;
    for (const RunShare& s : shares)
        stored.insert(s.Stored.begin(), s.Stored.end());
    UpdateListingOrder(pg, files, known, stored);
    return Merge(shares);
}

IngestReport IngestFolder(PgConnection& pg, const fs::path& folder, std::string_view exchange,
                          const fs::path& programDir) {
    return IngestFolder(pg, folder, exchange, programDir, IngestOptions{});
}

} // namespace kestrom
