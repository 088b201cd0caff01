#include "db/Query.h"

#include "base/Cp1251.h"
#include "db/DbError.h"

#include <sqlite3.h>

#include <charconv>
#include <fstream>

namespace kestrom {

namespace {

FieldType TypeFromDeclaration(const char* declared, int storageClass) {
    if (declared) {
        const std::string t = LowerAscii(declared);
        if (t.find("int") != std::string::npos) return FieldType::Integer;
        if (t.find("char") != std::string::npos || t.find("text") != std::string::npos ||
            t.find("clob") != std::string::npos)
            return FieldType::Text;
        if (t.find("date") != std::string::npos) return FieldType::Date;
        if (t.find("time") != std::string::npos) return FieldType::Time;
        if (t.find("real") != std::string::npos || t.find("floa") != std::string::npos ||
            t.find("doub") != std::string::npos || t.find("num") != std::string::npos ||
            t.find("dec") != std::string::npos)
            return FieldType::Float;
    }
    switch (storageClass) {
    case SQLITE_INTEGER:
        return FieldType::Integer;
    case SQLITE_FLOAT:
        return FieldType::Float;
    default:
        return FieldType::Text;
    }
}

} // namespace

Query::Query(Database& db) : db_(db) {}

Query::~Query() = default;

std::string Query::Text() const {
    std::string text;
    for (std::size_t i = 0; i < lines_.size(); ++i) {
        if (i > 0) text += "\r\n";
        text += lines_[i];
    }
    return text;
}

void Query::SaveToFile(std::string_view fileName) const {
    std::string bytes;
    for (const std::string& line : lines_)
        bytes += Utf8ToCp1251(line) + "\r\n";
    const auto path = db_.Directory() / std::string(fileName);
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    if (!out) throw DbError("Save query: " + path.string() + ": the file cannot be written");
}

void Query::SetFilter(std::string condition) {
    filter_ = std::move(condition);
    if (IsOpen()) {
        Close();
        Open();
    }
}

void Query::Open() {
    Close();
    std::string sql = Text();
    if (!filter_.empty()) sql = "SELECT * FROM (\r\n" + sql + "\r\n) WHERE (" + filter_ + ")";
    stmt_ = db_.Prepare(sql, "Open query");

    const int n = sqlite3_column_count(stmt_.get());
    Step();
    columns_.clear();
    columns_.reserve(static_cast<std::size_t>(n));
    for (int i = 0; i < n; ++i) {
        const char* name = sqlite3_column_name(stmt_.get(), i);
        const int storage = eof_ ? SQLITE_NULL : sqlite3_column_type(stmt_.get(), i);
        columns_.push_back({name ? name : "",
                            TypeFromDeclaration(sqlite3_column_decltype(stmt_.get(), i), storage)});
    }
}

void Query::Close() {
    stmt_.reset();
    columns_.clear();
    eof_ = true;
}

void Query::Step() {
    const int rc = sqlite3_step(stmt_.get());
    if (rc == SQLITE_ROW) {
        eof_ = false;
        return;
    }
    eof_ = true;
    if (rc != SQLITE_DONE) {
        const std::string why = sqlite3_errmsg(db_.Handle());
        Close();
        throw DbError("Read query result: " + why, rc);
    }
}

void Query::Next() {
    if (!IsOpen() || eof_) return;
    Step();
}

void Query::First() {
    if (!IsOpen()) throw DbError("Read query result: the query is not open");
    sqlite3_reset(stmt_.get());
    Step();
}

int Query::ColumnIndex(std::string_view name) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].name == name) return static_cast<int>(i);
    return -1;
}

int Query::Column(std::string_view name) const {
    const int i = ColumnIndex(name);
    if (i < 0) throw DbError("Read query result: no column " + std::string(name));
    return Checked(i);
}

int Query::Checked(int column) const {
    if (!IsOpen() || eof_) throw DbError("Read query result: no current row");
    if (column < 0 || column >= static_cast<int>(columns_.size()))
        throw DbError("Read query result: no column " + std::to_string(column));
    return column;
}

bool Query::IsNull(int column) const {
    return sqlite3_column_type(stmt_.get(), Checked(column)) == SQLITE_NULL;
}

std::string Query::AsText(int column) const {
    sqlite3_stmt* s = stmt_.get();
    const int i = Checked(column);
    switch (sqlite3_column_type(s, i)) {
    case SQLITE_NULL:
        return {};
    case SQLITE_FLOAT: {
        std::string out;
        AppendShortestDecimal(sqlite3_column_double(s, i), out);
        return out;
    }
    default: {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
        return std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(s, i)));
    }
    }
}

std::string_view Query::TextView(int column) const {
    sqlite3_stmt* s = stmt_.get();
    const int i = Checked(column);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(s, i));
    if (text == nullptr) return {};
    return {text, static_cast<std::size_t>(sqlite3_column_bytes(s, i))};
}

double Query::AsFloat(int column) const {
    return sqlite3_column_double(stmt_.get(), Checked(column));
}

std::int64_t Query::AsInteger(int column) const {
    return sqlite3_column_int64(stmt_.get(), Checked(column));
}

void AppendShortestDecimal(double v, std::string& out) {
    char buf[400]; // the longest fixed form of a double is about 330 characters
    const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed);
    out.append(buf, res.ptr);
}

} // namespace kestrom
