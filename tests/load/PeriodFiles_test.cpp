// The files of a period as a hostile folder holds them: FIFOs and folders
// named like a day's file, files that cannot be mapped, a folder that cannot
// be listed, files cut at an element boundary, and element 119 running past
// the data.

#include "load/LoadCommand.h"
#include "load/MappedFile.h"

#include "RecordingFrontEnd.h"
#include "db/Database.h"
#include "db/Query.h"
#include "tests/db/ScratchDir.h"
#include "tools/AmaWriter.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace kestrom {
namespace {

namespace fs = std::filesystem;
using gen::AmaHeader;
using gen::AmaWriter;
using test::RecordingFrontEnd;
using test::ScratchDir;

#if defined(__SANITIZE_ADDRESS__)
constexpr bool UnderAsan = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool UnderAsan = true;
#else
constexpr bool UnderAsan = false;
#endif
#else
constexpr bool UnderAsan = false;
#endif

// A successful call of number A owner with a sound checksum.
void Call(AmaWriter& w, std::string_view owner) {
    w.BeginRecord({.CallId = 7, .Flags11 = AmaHeader::F4, .Owner = owner})
        .Partner("890123")
        .Start({2006, 10, 1, 14, 5, 30, 7}, true)
        .Duration(120000)
        .Checksum(4);
}

void WriteBytes(const fs::path& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
}

std::vector<std::uint8_t> Calls(std::initializer_list<std::string_view> owners) {
    AmaWriter w;
    for (std::string_view o : owners)
        Call(w, o);
    return w.Finish();
}

std::vector<std::string> StoredOwners(Database& db) {
    Query q(db);
    q.SetLines({"SELECT Owner_N FROM AMG ORDER BY ID"});
    q.Open();
    std::vector<std::string> owners;
    for (; !q.Eof(); q.Next())
        owners.push_back(q.AsText(0));
    return owners;
}

// One day, 1 October 2006, every call kept.
struct PeriodFiles : ::testing::Test {
    PeriodFiles() : db(dbDir.Path()), session(db) {
        request.RequireFilter = false;
        request.AutoOpen = false;
        request.Filter.OnlySuccessful = false;
        request.Period.AmaFolder = ama.Path().string();
        request.Period.Start = EncodeDate({2006, 10, 1});
        request.Period.End = EncodeDate({2006, 10, 1}) + EncodeTime({23, 59, 0, 0});
    }
    fs::path File(const char* name) const { return ama.Path() / name; }
    std::string LastMessage() const { return fe.messages.empty() ? "" : fe.messages.back(); }

    ScratchDir ama;
    ScratchDir dbDir;
    Database db;
    LoadSession session;
    LoadRequest request;
    RecordingFrontEnd fe;
};

TEST(MappedFileTest, MapsRegularFilesAndRefusesEverythingElseWithoutBlocking) {
    ScratchDir dir;
    dir.Write("a.ama", std::string("\xc8\x00\x2b", 3));
    {
        const MappedFile f((dir.Path() / "a.ama").string());
        ASSERT_TRUE(f.Ok());
        ASSERT_EQ(f.Size(), 3);
        EXPECT_EQ(f.Data()[0], 0xc8);
        EXPECT_EQ(f.Data()[2], 0x2b);
        const MappedFile limited((dir.Path() / "a.ama").string(), 2);
        EXPECT_EQ(limited.Size(), 2);
    }
    dir.Write("empty.ama", "");
    const MappedFile empty((dir.Path() / "empty.ama").string());
    EXPECT_TRUE(empty.Ok());
    EXPECT_EQ(empty.Size(), 0);

    // A FIFO without a writer would block an ordinary open for ever.
    ASSERT_EQ(::mkfifo((dir.Path() / "fifo.ama").c_str(), 0600), 0);
    alarm(10); // a hang fails the test instead of blocking the suite
    const MappedFile fifo((dir.Path() / "fifo.ama").string());
    alarm(0);
    EXPECT_EQ(fifo.State(), MappedFile::Status::NotRegular);
    fs::create_directory(dir.Path() / "folder.ama");
    EXPECT_EQ(MappedFile((dir.Path() / "folder.ama").string()).State(),
              MappedFile::Status::NotRegular);
    const MappedFile missing((dir.Path() / "none.ama").string());
    EXPECT_EQ(missing.State(), MappedFile::Status::Failed);
    EXPECT_EQ(missing.Error(), "не найден");
}

// Anonymous (heap) memory stays flat while a large file is read: its pages
// belong to the file, not to the process.
long AnonymousKb() {
    std::ifstream in("/proc/self/smaps_rollup");
    std::string key;
    long value = 0;
    while (in >> key) {
        if (key == "Anonymous:") {
            in >> value;
            return value;
        }
        in.ignore(1 << 20, '\n');
    }
    return -1;
}

TEST(MappedFileTest, ALargeFileCostsNoPrivateMemory) {
    ScratchDir dir;
    const fs::path big = dir.Path() / "big.ama";
    std::vector<std::uint8_t> record = Calls({"1234567"});
    {
        std::ofstream out(big, std::ios::binary);
        for (int i = 0; i < (256 << 20) / static_cast<int>(record.size()); ++i)
            out.write(reinterpret_cast<const char*>(record.data()),
                      static_cast<std::streamsize>(record.size()));
    }
    const long before = AnonymousKb();
    if (before < 0) GTEST_SKIP() << "no /proc/self/smaps_rollup here";
    const MappedFile f(big.string());
    ASSERT_TRUE(f.Ok());
    std::uint64_t sum = 0;
    for (std::int64_t i = 0; i < f.Size(); i += 4096)
        sum += f.Data()[i];
    EXPECT_GT(sum, 0u);
    // AddressSanitizer keeps a shadow byte for every 8 bytes read, which is
    // anonymous memory of its own: an eighth of the file more.
#if defined(__SANITIZE_ADDRESS__)
    constexpr long ShadowKb = (256 << 10) / 8;
#else
    constexpr long ShadowKb = 0;
#endif
    EXPECT_LT(AnonymousKb() - before, 32 * 1024 + ShadowKb)
        << "a 256 MiB file was copied into memory";
}

TEST_F(PeriodFiles, NonRegularEntriesAreSkippedAndNamed) {
    WriteBytes(File("i396220061001_1.ama"), Calls({"1001", "1002"}));
    ASSERT_EQ(::mkfifo(File("i396220061001_2.ama").c_str(), 0600), 0);
    fs::create_directory(File("i396220061001_3.ama"));
    WriteBytes(File("i396220061001_4.ama"), Calls({"1003"}));
    alarm(20);
    const LoadOutcome out = session.Run(request, fe);
    alarm(0);
    EXPECT_EQ(out.Loaded, 3);
    auto sorted = StoredOwners(db);
    std::sort(sorted.begin(), sorted.end());
    EXPECT_EQ(sorted, (std::vector<std::string>{"1001", "1002", "1003"}));
    const std::string report = LastMessage();
    EXPECT_NE(report.find("i396220061001_2.ama: не обычный файл, пропущен"), std::string::npos)
        << report;
    EXPECT_NE(report.find("i396220061001_3.ama: не обычный файл, пропущен"), std::string::npos)
        << report;
    EXPECT_EQ(report.find("Пропущено повреждённых записей"), std::string::npos) << report;
}

TEST_F(PeriodFiles, AFileThatCannotBeMappedIsNamedAndTheOthersLoad) {
    if (UnderAsan) GTEST_SKIP() << "an address-space limit cannot be set under AddressSanitizer";
    WriteBytes(File("i396220061001_1.ama"), Calls({"1001"}));
    { std::ofstream huge(File("i396220061001_2.ama"), std::ios::binary); }
    fs::resize_file(File("i396220061001_2.ama"), std::uintmax_t{3} << 30); // sparse, 3 GiB
    WriteBytes(File("i396220061001_3.ama"), Calls({"1003"}));

    // The load runs in a child whose address space is too small for the big
    // file; the parent reads what the child saw.
    int pipeFds[2];
    ASSERT_EQ(::pipe(pipeFds), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::close(pipeFds[0]);
        rlimit limit{};
        ::getrlimit(RLIMIT_AS, &limit);
        limit.rlim_cur = rlim_t{1} << 31; // 2 GiB
        ::setrlimit(RLIMIT_AS, &limit);
        const LoadOutcome out = session.Run(request, fe);
        std::string text = std::to_string(out.Loaded) + "\n";
        for (const std::string& m : fe.messages)
            text += m + "\n";
        const ssize_t n = ::write(pipeFds[1], text.data(), text.size());
        ::_exit(n == static_cast<ssize_t>(text.size()) ? 0 : 1);
    }
    ::close(pipeFds[1]);
    std::string seen;
    char buf[4096];
    for (ssize_t n; (n = ::read(pipeFds[0], buf, sizeof buf)) > 0;)
        seen.append(buf, static_cast<std::size_t>(n));
    ::close(pipeFds[0]);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << seen;
    EXPECT_EQ(seen.substr(0, seen.find('\n')), "2") << seen;
    EXPECT_NE(seen.find("Ошибка!\rНайдено:"), std::string::npos) << seen;
    EXPECT_NE(seen.find("\rНе прочитаны файлы: i396220061001_2.ama (недостаточно памяти)."),
              std::string::npos)
        << seen;
}

TEST_F(PeriodFiles, AFolderThatCannotBeListedIsReportedBeforeTheTableIsEmptied) {
    WriteBytes(File("i396220061001_1.ama"), Calls({"1001"}));
    ASSERT_EQ(session.Run(request, fe).Loaded, 1);
    fe.messages.clear();

    // A file where the folder should be; as an ordinary user, a folder without rights too.
    LoadRequest bad = request;
    bad.Period.AmaFolder = File("i396220061001_1.ama").string();
    const LoadOutcome out = session.Run(bad, fe);
    EXPECT_FALSE(out.Ran);
    EXPECT_EQ(fe.messages, (std::vector<std::string>{"Нет доступа к папке " + bad.Period.AmaFolder +
                                                     ": не является папкой."}));
    EXPECT_EQ(fe.starts, 1); // only the first load went ahead
    EXPECT_EQ(StoredOwners(db), (std::vector<std::string>{"1001"}));

    if (::geteuid() != 0) {
        ::chmod(ama.Path().c_str(), 0);
        fe.messages.clear();
        session.Run(request, fe);
        ::chmod(ama.Path().c_str(), 0700);
        ASSERT_EQ(fe.messages.size(), 1u);
        EXPECT_NE(fe.messages[0].find("нет прав на чтение"), std::string::npos) << fe.messages[0];
    }

    // A folder that does not exist keeps the one message per day.
    fe.messages.clear();
    LoadRequest missing = request;
    missing.Period.AmaFolder = (ama.Path() / "none").string();
    missing.Period.End += 1;
    EXPECT_TRUE(session.Run(missing, fe).Ran);
    EXPECT_EQ(fe.daysWithoutFiles, 2);
}

TEST_F(PeriodFiles, ARecordCutAtAnElementBoundaryIsStoredAndTheFileNamed) {
    std::vector<std::uint8_t> bytes = Calls({"1001", "1002"});
    const std::size_t second = bytes.size() / 2; // both records are the same length
    bytes.resize(second + 18); // the header and owner digits of the second, no element
    WriteBytes(File("i396220061001_1.ama"), bytes);
    WriteBytes(File("i396220061001_2.ama"), Calls({"1003"}));
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_EQ(out.Loaded, 3);
    EXPECT_EQ(fe.messages,
              (std::vector<std::string>{
                  "i396220061001_1.ama: файл, возможно, обрезан: последняя запись "
                  "(смещение " +
                  std::to_string(second) + ") короче длины, указанной в её заголовке"}));
}

TEST_F(PeriodFiles, DigitsOf119PastTheDataDamageOneRecordAndTheWalkGoesOn) {
    AmaWriter w;
    for (const char* o : {"1001", "1002", "1003"})
        Call(w, o);
    w.BeginRecord({.CallId = 8, .Flags11 = AmaHeader::F4, .Owner = "2000"});
    const std::uint8_t bad119[] = {119, 3, 255}; // 255 digits: 128 bytes, more than remain
    w.Raw(bad119);
    for (const char* o : {"1004", "1005"})
        Call(w, o);
    WriteBytes(File("i396220061001_1.ama"), w.Finish());
    const LoadOutcome out = session.Run(request, fe);
    EXPECT_EQ(StoredOwners(db), (std::vector<std::string>{"1001", "1002", "1003", "1004", "1005"}));
    EXPECT_EQ(out.Stats.BadDigits, 1u);
    EXPECT_EQ(fe.messages, (std::vector<std::string>{"Пропущено повреждённых записей: 1.\n"
                                                     "i396220061001_1.ama: 1"}));
}

} // namespace
} // namespace kestrom
