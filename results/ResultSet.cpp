#include "results/ResultSet.h"

#include <charconv>
#include <stdexcept>

namespace kestrom {

namespace {

ResultSet::Storage StorageFor(FieldType type) {
    switch (type) {
    case FieldType::Integer:
        return ResultSet::Storage::Integer;
    case FieldType::Float:
        return ResultSet::Storage::Float;
    default:
        return ResultSet::Storage::Text;
    }
}

template <class T> T LeadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    T value{};
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

} // namespace

void ResultSet::Reset(const Query& query) {
    columns_ = query.Columns();
    data_.assign(columns_.size(), ColumnData{});
    for (std::size_t c = 0; c < columns_.size(); ++c)
        data_[c].storage = StorageFor(columns_[c].type);
    rows_ = 0;
}

void ResultSet::ClearRows() {
    for (ColumnData& d : data_) {
        d.nulls.clear();
        d.integers.clear();
        d.floats.clear();
        d.textEnds.clear();
        d.arena.clear();
    }
    rows_ = 0;
}

std::size_t ResultSet::ReadRows(Query& query, std::size_t maxRows) {
    std::size_t read = 0;
    const int columns = static_cast<int>(data_.size());
    for (; read < maxRows && query.IsOpen() && !query.Eof(); ++read, query.Next()) {
        for (int c = 0; c < columns; ++c) {
            ColumnData& d = data_[static_cast<std::size_t>(c)];
            const bool null = query.IsNull(c);
            d.nulls.push_back(null ? 1 : 0);
            switch (d.storage) {
            case Storage::Integer:
                d.integers.push_back(null ? 0 : query.AsInteger(c));
                break;
            case Storage::Float:
                d.floats.push_back(null ? 0.0 : query.AsFloat(c));
                break;
            case Storage::Text:
                if (!null) d.arena.append(query.TextView(c));
                if (d.arena.size() > std::numeric_limits<std::uint32_t>::max())
                    throw std::length_error(
                        std::string("result column too large: ")
                            .append(columns_[static_cast<std::size_t>(c)].name));
                d.textEnds.push_back(static_cast<std::uint32_t>(d.arena.size()));
                break;
            }
        }
        ++rows_;
    }
    return read;
}

int ResultSet::ColumnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name == name) return static_cast<int>(i);
    return -1;
}

bool ResultSet::IsNull(std::size_t row, std::size_t column) const {
    return data_[column].nulls[row] != 0;
}

std::string_view ResultSet::TextView(std::size_t row, std::size_t column) const {
    const ColumnData& d = data_[column];
    if (d.storage != Storage::Text) return {};
    const std::uint32_t begin = row == 0 ? 0 : d.textEnds[row - 1];
    return std::string_view(d.arena).substr(begin, d.textEnds[row] - begin);
}

double ResultSet::AsFloat(std::size_t row, std::size_t column) const {
    const ColumnData& d = data_[column];
    switch (d.storage) {
    case Storage::Integer:
        return static_cast<double>(d.integers[row]);
    case Storage::Float:
        return d.floats[row];
    case Storage::Text:
        break;
    }
    return LeadingNumber<double>(TextView(row, column));
}

std::int64_t ResultSet::AsInteger(std::size_t row, std::size_t column) const {
    const ColumnData& d = data_[column];
    switch (d.storage) {
    case Storage::Integer:
        return d.integers[row];
    case Storage::Float: {
        // Cut toward zero; values beyond the 64-bit range (or NaN) give 0.
        const double v = d.floats[row];
        return v > -9.2e18 && v < 9.2e18 ? static_cast<std::int64_t>(v) : 0;
    }
    case Storage::Text:
        break;
    }
    return LeadingNumber<std::int64_t>(TextView(row, column));
}

void ResultSet::AppendText(std::size_t row, std::size_t column, std::string& out) const {
    const ColumnData& d = data_[column];
    if (d.nulls[row] != 0) return;
    switch (d.storage) {
    case Storage::Integer: {
        char buf[24];
        const auto res = std::to_chars(buf, buf + sizeof buf, d.integers[row]);
        out.append(buf, res.ptr);
        return;
    }
    case Storage::Float:
        AppendShortestDecimal(d.floats[row], out);
        return;
    case Storage::Text:
        out.append(TextView(row, column));
        return;
    }
}

std::string ResultSet::AsText(std::size_t row, std::size_t column) const {
    std::string text;
    AppendText(row, column, text);
    return text;
}

} // namespace kestrom
