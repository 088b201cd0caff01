#include "results/FileErrorText.h"

#include <cerrno>
#include <cstring>

namespace kestrom {

std::string FileErrorText(int errnoValue) {
    switch (errnoValue) {
    case EACCES:
    case EPERM:
        return "нет прав на запись";
    case ENOENT:
        return "папка не найдена";
    case ENOTDIR:
        return "путь не является папкой";
    case EISDIR:
        return "это папка";
    case EROFS:
        return "диск доступен только для чтения";
    case ENOSPC:
        return "нет места на диске";
    case EDQUOT:
        return "превышена дисковая квота";
    case EFBIG:
        return "файл слишком велик";
    case ENAMETOOLONG:
        return "слишком длинное имя";
    case EIO:
        return "ошибка ввода/вывода";
    case EMFILE:
    case ENFILE:
        return "открыто слишком много файлов";
    default:
        return std::strerror(errnoValue);
    }
}

} // namespace kestrom
