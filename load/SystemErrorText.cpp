#include "load/SystemErrorText.h"

#include <cerrno>
#include <cstring>

namespace kestrom {

std::string SystemErrorText(int errnoValue) {
    switch (errnoValue) {
    case EACCES:
    case EPERM:
        return "нет прав на чтение";
    case ENOENT:
        return "не найден";
    case ENOTDIR:
        return "не является папкой";
    case ENOMEM:
    case EOVERFLOW:
    case EFBIG:
        return "недостаточно памяти";
    case EIO:
        return "ошибка чтения";
    case EMFILE:
    case ENFILE:
        return "открыто слишком много файлов";
    default:
        return std::strerror(errnoValue);
    }
}

} // namespace kestrom
