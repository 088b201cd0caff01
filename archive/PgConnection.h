#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

struct pg_conn;
struct pg_result;

namespace kestrom {

/// A failure of the archive server. what() is the Russian text the user
/// reads; SqlState() the server's five-character code when it gave one.
class ArchiveError : public std::runtime_error {
  public:
    explicit ArchiveError(const std::string& text, std::string sqlState = {})
        : std::runtime_error(text), sqlState_(std::move(sqlState)) {}
    const std::string& SqlState() const { return sqlState_; }

  private:
    std::string sqlState_;
};

/// The rows of one statement, owned.
class PgResult {
  public:
    explicit PgResult(pg_result* result = nullptr);
    int Rows() const;
    int Columns() const;
    bool IsNull(int row, int column) const;
    /// The value's bytes (text form, or binary form for a binary result).
    std::string_view Value(int row, int column) const;
    /// The text value read as a whole number; 0 for NULL.
    long long Integer(int row, int column) const;
    pg_result* Raw() const { return result_.get(); }

  private:
    struct Free {
        void operator()(pg_result* r) const;
    };
    std::unique_ptr<pg_result, Free> result_;
};

/// One connection to the archive server (libpq). Every statement's values
/// travel as parameters, never pasted into the SQL text.
///
///     PgConnection pg("host=127.0.0.1 port=5432 dbname=kestrom user=reader");
///     PgResult r = pg.Exec("SELECT count(*) FROM kestrom.files WHERE day = $1",
///                          {{"2006-10-09"}});
class PgConnection {
  public:
    using Param = std::optional<std::string>; ///< nullopt: NULL

    /// Connects with a libpq connection string ("host=... port=... dbname=...
    /// user=..." or "service=..."). Raises ArchiveError whose text tells an
    /// unreachable server, a refused login and other failures apart.
    explicit PgConnection(const std::string& conninfo);
    ~PgConnection();
    PgConnection(const PgConnection&) = delete;
    PgConnection& operator=(const PgConnection&) = delete;

    /// Runs one statement with text parameters ($1, $2, ...) and gives its
    /// rows; binaryResult asks for the values in binary form. Raises
    /// ArchiveError when the server refuses it.
    PgResult Exec(std::string_view sql, std::span<const Param> params = {},
                  bool binaryResult = false);
    PgResult Exec(std::string_view sql, std::initializer_list<Param> params,
                  bool binaryResult = false) {
        return Exec(sql, std::span<const Param>(params.begin(), params.size()), binaryResult);
    }

    /// COPY ... FROM STDIN: starts it, sends data, ends it. EndCopy raises
    /// the server's refusal of the data.
    void BeginCopy(std::string_view sql);
    void PutCopyData(std::string_view bytes);
    void EndCopy();
    /// Ends a COPY that is under way as failed, so that the server throws
    /// away its rows and the transaction can be rolled back. Never raises.
    void AbortCopy(std::string_view reason) noexcept;

    /// The server is still there (the connection was not lost).
    bool Ok() const;
    /// The connection string it was made with, for further connections.
    const std::string& Conninfo() const { return conninfo_; }
    pg_conn* Raw() const { return conn_; }

  private:
    [[noreturn]] void Fail(pg_result* result, std::string_view what) const;

    pg_conn* conn_ = nullptr;
    std::string conninfo_;
};

/// Lets "service=NAME" connection strings find their service in the
/// program directory's service file (ArchiveServiceFileName): sets
/// PGSERVICEFILE to it when the file is there and the variable is not set.
/// Call it before any thread connects.
void UseProgramServiceFile(const std::filesystem::path& programDir);

/// The Russian text of a failed connection, from libpq's message.
std::string ConnectionFailureText(std::string_view libpqMessage);

} // namespace kestrom
