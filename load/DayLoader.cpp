#include "load/DayLoader.h"

#include "load/CallRowWriter.h"
#include "load/DaySearch.h"
#include "load/MappedFile.h"
#include "load/PreFilter.h"

#include <exception>

namespace kestrom {

DayLoader::DayLoader(LoadFrontEnd& frontEnd, CallRowWriter& writer, const TPreFilter& filter,
                     const bool& cancelled)
    : frontEnd_(frontEnd), writer_(writer), filter_(filter), cancelled_(cancelled) {}

DayOutcome DayLoader::LoadDayFiles(std::string_view folder, std::string_view exchange,
                                   TDateTime day) {
    DayOutcome out;
    ProgressDisplay& progress = frontEnd_.Progress();
    frontEnd_.SetBusyCursor(true);
    progress.Create();
    if (!folder.empty()) {
        try {
            LoadFiles(FolderWithSeparator(folder), DayPattern(exchange, day), day, out);
        } catch (const std::exception&) {
            // Anything else that fails (no memory for a file, say) ends the day
            // without a message; the rows it stored stay and are counted.
        }
    }
    progress.Destroy();
    frontEnd_.SetBusyCursor(false);
    return out;
}

void DayLoader::LoadFiles(const std::string& folder, const std::string& pattern, TDateTime day,
                          DayOutcome& out) {
    ProgressDisplay& progress = frontEnd_.Progress();
    const YieldHook yield = frontEnd_.Yield();
    const std::string dayText = frontEnd_.ShortDate(day);
    progress.Show(
        std::string("Поиск и загрузка файлов за ").append(dayText).append(". Ожидайте..."));

    // First pass: the sizes. Only regular files count; anything else that
    // bears a day's name is named in the damage report and never opened.
    for (const FoundFile& f : SearchFiles(folder, pattern)) {
        if (f.Regular)
            out.BytesFound += f.Size;
        else
            out.Damaged.push_back({.Name = f.Name, .NotRegular = true});
        progress.SetMaximum(out.BytesFound);
        yield();
    }
    if (out.BytesFound == 0) {
        frontEnd_.NoFilesForDay(std::string("Файлы за ").append(dayText).append(" не найдены!"));
        return;
    }

    // Second pass: reading and decoding, one file at a time.
    for (const FoundFile& f : SearchFiles(folder, pattern)) {
        if (!f.Regular) continue;
        LoadOneFile(folder + f.Name, f.Name, f.Size, out);
        progress.SetPosition(out.BytesLoaded);
        yield();
    }
    if (out.BytesLoaded != out.BytesFound) {
        std::string message = std::string("Ошибка!\rНайдено:")
                                  .append(std::to_string(out.BytesFound))
                                  .append("байт.\rЗагружено: ")
                                  .append(std::to_string(out.BytesLoaded))
                                  .append("байт.");
        if (!out.Unread.empty()) {
            message.append("\rНе прочитаны файлы: ");
            for (std::size_t i = 0; i < out.Unread.size(); ++i)
                message.append(i == 0 ? "" : ", ").append(out.Unread[i]);
            message.append(".");
        }
        frontEnd_.Information(message);
    }
    progress.SetPosition(0);
    progress.Hide();
}

void DayLoader::LoadOneFile(const std::string& path, const std::string& name, std::int64_t size,
                            DayOutcome& out) {
    const MappedFile file(path, size);
    if (file.State() == MappedFile::Status::NotRegular) {
        out.Damaged.push_back({.Name = name, .NotRegular = true});
        return;
    }
    if (!file.Ok()) {
        out.Unread.push_back(std::string(name).append(" (").append(file.Error()).append(")"));
        return;
    }
    if (file.Size() > 0) {
        TLoadBuffer buf;
        buf.Data = file.Data();
        buf.Size = file.Size();
        TCallRecord rec;
        DecodeContext ctx{buf, rec, filter_, writer_, frontEnd_.Yield(), &cancelled_};
        const DecodeStats st = DecodeBuffer(ctx);
        out.Stats += st;
        out.Rows += static_cast<std::int64_t>(st.Stored);
        if (st.Damaged() != 0 || st.ShortLastRecord >= 0)
            out.Damaged.push_back(
                {.Name = name, .Count = st.Damaged(), .ShortLastRecord = st.ShortLastRecord});
    }
    out.BytesLoaded += file.Size();
}

} // namespace kestrom
