#pragma once

#include "archive/PgConnection.h"

namespace kestrom {

/// One transaction on a connection: begun by the constructor, rolled back
/// by the destructor unless Commit ran (an exception, a lost connection).
class PgTransaction {
  public:
    explicit PgTransaction(PgConnection& pg) : pg_(pg) { pg_.Exec("BEGIN"); }
    ~PgTransaction() {
        if (done_ || !pg_.Ok()) return;
        try {
            pg_.Exec("ROLLBACK");
        } catch (const ArchiveError&) {
            // The server ends the transaction with the connection anyway.
        }
    }
    PgTransaction(const PgTransaction&) = delete;
    PgTransaction& operator=(const PgTransaction&) = delete;

    void Commit() {
        pg_.Exec("COMMIT");
        done_ = true;
    }

  private:
    PgConnection& pg_;
    bool done_ = false;
};

} // namespace kestrom
