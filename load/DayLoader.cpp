#include "load/DayLoader.h"

#include "load/CallRowWriter.h"
#include "load/DaySearch.h"
#include "load/FileBytes.h"
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

    // First pass: the sizes.
    for (const FoundFile& f : SearchFiles(folder, pattern)) {
        out.BytesFound += f.Size;
        progress.SetMaximum(out.BytesFound);
        yield();
    }
    if (out.BytesFound == 0) {
        frontEnd_.Information(std::string("Файлы за ").append(dayText).append(" не найдены!"));
        return;
    }

    // Second pass: reading and decoding, one file at a time.
    for (const FoundFile& f : SearchFiles(folder, pattern)) {
        LoadOneFile(folder + f.Name, f.Name, f.Size, out);
        progress.SetPosition(out.BytesLoaded);
        yield();
    }
    if (out.BytesLoaded != out.BytesFound) {
        frontEnd_.Information(std::string("Ошибка!\rНайдено:")
                                  .append(std::to_string(out.BytesFound))
                                  .append("байт.\rЗагружено: ")
                                  .append(std::to_string(out.BytesLoaded))
                                  .append("байт."));
    }
    progress.SetPosition(0);
    progress.Hide();
}

void DayLoader::LoadOneFile(const std::string& path, const std::string& name, std::int64_t size,
                            DayOutcome& out) {
    std::vector<std::uint8_t> bytes;
    const std::int64_t got = ReadFileBytes(path, bytes, size);
    if (got > 0) {
        TLoadBuffer buf;
        buf.Data = bytes.data();
        buf.Size = got;
        TCallRecord rec;
        DecodeContext ctx{buf, rec, filter_, writer_, frontEnd_.Yield(), &cancelled_};
        const DecodeStats st = DecodeBuffer(ctx);
        out.Stats += st;
        out.Rows += static_cast<std::int64_t>(st.Stored);
        if (st.Damaged() != 0) out.Damaged.push_back({name, st.Damaged()});
    }
    out.BytesLoaded += got;
}

} // namespace kestrom
