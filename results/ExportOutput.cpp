#include "results/ExportOutput.h"

#include "results/ExportError.h"
#include "results/FileErrorText.h"

#include <unistd.h>

#include <cerrno>

namespace kestrom {

ExportOutput::ExportOutput(int fd, std::string name) : fd_(fd), name_(std::move(name)) {
    buffer_.reserve(Limit + Limit / 4);
}

void ExportOutput::Flush() {
    std::size_t done = 0;
    while (done < buffer_.size()) {
        const ssize_t n = ::write(fd_, buffer_.data() + done, buffer_.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : EIO;
            throw ExportError("Ошибка записи в файл " + name_ + ": " + FileErrorText(error) + ".");
        }
        done += static_cast<std::size_t>(n);
    }
    buffer_.clear();
}

} // namespace kestrom
