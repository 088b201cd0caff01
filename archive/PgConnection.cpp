#include "archive/PgConnection.h"

#include "archive/ArchiveService.h"

#include <libpq-fe.h>

#include <charconv>
#include <cstdlib>

namespace kestrom {

namespace {

std::string Trimmed(std::string_view s) {
    while (!s.empty() && (s.back() == '\n' || s.back() == ' '))
        s.remove_suffix(1);
    return std::string(s);
}

bool Contains(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

} // namespace

std::string ConnectionFailureText(std::string_view message) {
    const std::string detail = Trimmed(message);
    if (Contains(message, "password authentication failed") ||
        Contains(message, "no password supplied") || Contains(message, "authentication failed"))
        return "Архив отказал во входе: неверное имя пользователя или пароль (" + detail + ").";
    if (Contains(message, "does not exist") && Contains(message, "database"))
        return "На сервере архива нет такой базы данных (" + detail + ").";
    if (Contains(message, "Connection refused") || Contains(message, "could not connect") ||
        Contains(message, "timeout expired") || Contains(message, "could not translate host") ||
        Contains(message, "No such file or directory"))
        return "Сервер архива недоступен (" + detail + ").";
    return "Не удалось подключиться к архиву (" + detail + ").";
}

void UseProgramServiceFile(const std::filesystem::path& programDir) {
    const std::filesystem::path file = programDir / ArchiveServiceFileName;
    std::error_code ec;
    if (std::getenv("PGSERVICEFILE") == nullptr && std::filesystem::is_regular_file(file, ec))
        setenv("PGSERVICEFILE", file.c_str(), 0);
}

void PgResult::Free::operator()(pg_result* r) const {
    PQclear(r);
}

PgResult::PgResult(pg_result* result) : result_(result) {}

int PgResult::Rows() const {
    return result_ ? PQntuples(result_.get()) : 0;
}

int PgResult::Columns() const {
    return result_ ? PQnfields(result_.get()) : 0;
}

bool PgResult::IsNull(int row, int column) const {
    return PQgetisnull(result_.get(), row, column) != 0;
}

std::string_view PgResult::Value(int row, int column) const {
    return {PQgetvalue(result_.get(), row, column),
            static_cast<std::size_t>(PQgetlength(result_.get(), row, column))};
}

long long PgResult::Integer(int row, int column) const {
    if (IsNull(row, column)) return 0;
    const std::string_view v = Value(row, column);
    long long n = 0;
    std::from_chars(v.data(), v.data() + v.size(), n);
    return n;
}

PgConnection::PgConnection(const std::string& conninfo) : conninfo_(conninfo) {
    conn_ = PQconnectdb(conninfo.c_str());
    if (conn_ == nullptr)
        throw ArchiveError("Не удалось подключиться к архиву: недостаточно памяти.");
    if (PQstatus(conn_) != CONNECTION_OK) {
        const std::string text = ConnectionFailureText(PQerrorMessage(conn_));
        PQfinish(conn_);
        conn_ = nullptr;
        throw ArchiveError(text);
    }
    PQsetClientEncoding(conn_, "UTF8");
    // The server's notices ("already exists, skipping") are not for the user.
    PQsetNoticeProcessor(
        conn_, [](void*, const char*) {}, nullptr);
}

PgConnection::~PgConnection() {
    if (conn_ != nullptr) PQfinish(conn_);
}

bool PgConnection::Ok() const {
    return conn_ != nullptr && PQstatus(conn_) == CONNECTION_OK;
}

void PgConnection::Fail(pg_result* result, std::string_view what) const {
    std::string state;
    std::string detail = Trimmed(PQerrorMessage(conn_));
    if (result != nullptr) {
        if (const char* s = PQresultErrorField(result, PG_DIAG_SQLSTATE)) state = s;
        if (const char* m = PQresultErrorMessage(result); m != nullptr && *m != '\0')
            detail = Trimmed(m);
        PQclear(result);
    }
    std::string text = "Ошибка архива";
    if (state == "42501")
        text = "Архив не разрешает это действие пользователю подключения";
    else if (PQstatus(conn_) != CONNECTION_OK)
        text = "Связь с сервером архива потеряна";
    throw ArchiveError(text.append(" (").append(what).append("): ").append(detail).append("."),
                       state);
}

PgResult PgConnection::Exec(std::string_view sql, std::span<const Param> params,
                            bool binaryResult) {
    std::vector<const char*> values;
    values.reserve(params.size());
    for (const Param& p : params)
        values.push_back(p ? p->c_str() : nullptr);
    const std::string text(sql);
    pg_result* r = PQexecParams(conn_, text.c_str(), static_cast<int>(values.size()), nullptr,
                                values.data(), nullptr, nullptr, binaryResult ? 1 : 0);
    const ExecStatusType status = r != nullptr ? PQresultStatus(r) : PGRES_FATAL_ERROR;
    if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK) Fail(r, "запрос");
    return PgResult(r);
}

void PgConnection::BeginCopy(std::string_view sql) {
    const std::string text(sql);
    pg_result* r = PQexec(conn_, text.c_str());
    if (r == nullptr || PQresultStatus(r) != PGRES_COPY_IN) Fail(r, "COPY");
    PQclear(r);
}

void PgConnection::PutCopyData(std::string_view bytes) {
    if (PQputCopyData(conn_, bytes.data(), static_cast<int>(bytes.size())) != 1)
        Fail(nullptr, "COPY");
}

void PgConnection::EndCopy() {
    if (PQputCopyEnd(conn_, nullptr) != 1) Fail(nullptr, "COPY");
    pg_result* r = PQgetResult(conn_);
    if (r == nullptr || PQresultStatus(r) != PGRES_COMMAND_OK) Fail(r, "COPY");
    PQclear(r);
    while ((r = PQgetResult(conn_)) != nullptr)
        PQclear(r);
}

void PgConnection::AbortCopy(std::string_view reason) noexcept {
    if (conn_ == nullptr || PQstatus(conn_) != CONNECTION_OK) return;
    const std::string text(reason);
    if (PQputCopyEnd(conn_, text.c_str()) != 1) return;
    while (pg_result* r = PQgetResult(conn_))
        PQclear(r);
}

} // namespace kestrom
