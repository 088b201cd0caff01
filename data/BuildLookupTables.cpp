// Builds the lookup tables of the program directory from their CSV sources:
//   build_lookup_tables <output directory> <name>.csv...
// Each CSV (UTF-8, a header line of column names, then one line per row)
// becomes the table <name> in the file <name>.db. A column whose values are
// all integers is declared INTEGER, the first such column being the key;
// the others are TEXT.

#include "db/Database.h"
#include "db/DbError.h"
#include "db/Table.h"

#include <cstdio>
#include <exception>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

using Row = std::vector<std::string>;

std::vector<Row> ParseCsv(const std::string& text) {
    std::vector<Row> rows;
    Row row;
    std::string field;
    bool quoted = false, any = false;
    std::size_t i = text.starts_with("\xEF\xBB\xBF") ? 3 : 0;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                field.push_back('"');
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                field.push_back(c);
            }
        } else if (c == '"') {
            quoted = any = true;
        } else if (c == ',') {
            row.push_back(std::move(field));
            field.clear();
            any = true;
        } else if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            if (any || !field.empty()) {
                row.push_back(std::move(field));
                rows.push_back(std::move(row));
            }
            row.clear();
            field.clear();
            any = false;
        } else {
            field.push_back(c);
            any = true;
        }
    }
    if (quoted) throw std::runtime_error("unterminated quoted field");
    if (any || !field.empty()) {
        row.push_back(std::move(field));
        rows.push_back(std::move(row));
    }
    return rows;
}

bool IsInteger(const std::string& s) {
    std::size_t i = s.starts_with('-') ? 1 : 0;
    if (i == s.size() || s.size() > 10) return false;
    for (; i < s.size(); ++i)
        if (s[i] < '0' || s[i] > '9') return false;
    return true;
}

void BuildTable(const std::filesystem::path& outputDir, const std::filesystem::path& csvPath) {
    std::ifstream in(csvPath, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read the file");
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::vector<Row> rows = ParseCsv(text);
    if (rows.empty()) throw std::runtime_error("no header line");
    const Row& header = rows.front();
    for (std::size_t r = 1; r < rows.size(); ++r)
        if (rows[r].size() != header.size())
            throw std::runtime_error("line " + std::to_string(r + 1) + " has " +
                                     std::to_string(rows[r].size()) + " fields, the header " +
                                     std::to_string(header.size()));

    std::vector<bool> integer(header.size(), true);
    for (std::size_t r = 1; r < rows.size(); ++r)
        for (std::size_t c = 0; c < header.size(); ++c)
            integer[c] = integer[c] && IsInteger(rows[r][c]);

    std::string ddl;
    bool keyGiven = false;
    for (std::size_t c = 0; c < header.size(); ++c) {
        if (c > 0) ddl += ", ";
        ddl += kestrom::QuoteIdentifier(header[c]);
        if (integer[c] && !keyGiven) {
            ddl += " INTEGER PRIMARY KEY";
            keyGiven = true;
        } else {
            ddl += integer[c] ? " INTEGER" : " TEXT";
        }
    }

    const std::string table = csvPath.stem().string();
    kestrom::Database db(outputDir);
    for (auto old = db.FindFile(table + ".db"); !old.empty(); old = db.FindFile(table + ".db"))
        std::filesystem::remove(old);
    try {
        kestrom::Table t(db, table + ".db");
        t.CreateIfMissing(ddl);
        t.Open();
        for (std::size_t r = 1; r < rows.size(); ++r) {
            t.Append();
            for (std::size_t c = 0; c < header.size(); ++c) {
                const int field = static_cast<int>(c);
                if (integer[c])
                    t.SetInt(field, std::stoi(rows[r][c]));
                else
                    t.SetText(field, rows[r][c]);
            }
            t.Post();
        }
        t.Close();
    } catch (...) {
        std::filesystem::remove(outputDir / (table + ".db"));
        throw;
    }
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s <output directory> <table>.csv...\n", argv[0]);
        return 2;
    }
    const std::filesystem::path outputDir = argv[1];
    for (int i = 2; i < argc; ++i) {
        try {
            std::filesystem::create_directories(outputDir);
            BuildTable(outputDir, argv[i]);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", argv[i], e.what());
            return 1;
        }
    }
    return 0;
}
