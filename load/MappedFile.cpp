#include "load/MappedFile.h"

#include "load/SystemErrorText.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kestrom {

namespace {

// Closes a descriptor however the constructor ends.
class Descriptor {
  public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

  private:
    int fd_;
};

} // namespace

MappedFile::MappedFile(const std::string& path, std::int64_t limit) {
    // Non-blocking, so that opening a FIFO does not wait for a writer.
    const Descriptor fd(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
    if (fd.get() < 0) {
        error_ = SystemErrorText(errno);
        return;
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) {
        error_ = SystemErrorText(errno);
        return;
    }
    if (!S_ISREG(st.st_mode)) {
        status_ = Status::NotRegular;
        return;
    }
    std::int64_t size = static_cast<std::int64_t>(st.st_size);
    if (limit >= 0 && limit < size) size = limit;
    if (size > 0) {
        const auto length = static_cast<std::size_t>(size);
        void* p = ::mmap(nullptr, length, PROT_READ, MAP_PRIVATE, fd.get(), 0);
        if (p == MAP_FAILED) {
            error_ = SystemErrorText(errno);
            return;
        }
        ::madvise(p, length, MADV_SEQUENTIAL);
        mapping_ = p;
        mappedLength_ = length;
        data_ = static_cast<const std::uint8_t*>(p);
    }
    size_ = size;
    status_ = Status::Mapped;
}

MappedFile::~MappedFile() {
    if (mapping_ != nullptr) ::munmap(mapping_, mappedLength_);
}

} // namespace kestrom
