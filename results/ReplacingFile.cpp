#include "results/ReplacingFile.h"

#include "results/ExportError.h"
#include "results/FileErrorText.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <random>

namespace kestrom {

namespace {

std::string RandomSuffix(std::mt19937& random) {
    static constexpr char Letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    std::uniform_int_distribution<std::size_t> pick(0, sizeof Letters - 2);
    std::string suffix;
    for (int i = 0; i < 6; ++i)
        suffix.push_back(Letters[pick(random)]);
    return suffix;
}

// Syncs the folder so that the rename itself survives a crash; a folder
// that cannot be synced (some file systems refuse) is no failure.
void SyncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);
    ::close(fd);
}

} // namespace

ReplacingFile::ReplacingFile(std::string target) : target_(std::move(target)) {
    Create();
    KeepTargetRights();
}

std::string ReplacingFile::Folder() const {
    const std::size_t slash = target_.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return target_.substr(0, slash);
}

ReplacingFile::~ReplacingFile() {
    if (!committed_) Discard();
}

void ReplacingFile::Create() {
    // Made by hand rather than by mkstemp so that the rights of a new file
    // follow the user's umask as for any file the program creates.
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        temporary_ = target_ + ".tmp-" + RandomSuffix(random);
        fd_ = ::open(temporary_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd_ >= 0) return;
        if (errno != EEXIST) break;
    }
    const int error = errno;
    temporary_.clear();
    Fail("Не удалось создать файл", error);
}

void ReplacingFile::KeepTargetRights() const {
    struct stat old {};
    if (::stat(target_.c_str(), &old) == 0 && S_ISREG(old.st_mode))
        ::fchmod(fd_, old.st_mode & 07777);
}

void ReplacingFile::Commit() {
    if (::fsync(fd_) != 0) Fail("Ошибка записи в файл", errno);
    const int fd = fd_;
    fd_ = -1;
    if (::close(fd) != 0) Fail("Ошибка записи в файл", errno);
    if (std::rename(temporary_.c_str(), target_.c_str()) != 0)
        Fail("Не удалось заменить файл", errno);
    committed_ = true;
    SyncFolder(Folder());
}

void ReplacingFile::Discard() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
}

void ReplacingFile::Fail(const char* what, int errnoValue) const {
    throw ExportError(std::string(what) + " " + target_ + ": " + FileErrorText(errnoValue) + ".");
}

} // namespace kestrom
