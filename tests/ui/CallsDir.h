#pragma once

#include "db/Database.h"
#include "load/CallTable.h"

#include <QTemporaryDir>

#include <filesystem>
#include <string>

namespace kestrom::test {

// A program directory with the lookup tables and a call table of four whole
// calls (in the order of their start: 7, 8, 9 and 10 October 2006):
//   4: 3962003, successful, no duration, 7 October
//   2: 3962002, busy (3), 1800000 ms,    8 October
//   1: 3962001, successful, 3600000 ms,  9 October
//   3: 3962001, successful, 1800000 ms, 10 October
struct CallsDir {
    QTemporaryDir dir;
    std::string path = dir.path().toStdString() + "/";
    CallsDir() {
        for (const char* t : {"failurestr.db", "usluga_a.db", "usluga_b.db"})
            std::filesystem::copy_file(std::filesystem::path(KESTROM_BIN_DIR) / t,
                                       std::filesystem::path(path) / t);
        Database db(path);
        EmptyCallTable(db);
        db.Execute("INSERT INTO AMG (ID, Owner_N, Partner_N, Sequence, F10, Failure,"
                   " \"106_Suppl_Serv\", \"107_Suppl_Serv\", Call_Durat, Start_D, Start_T)"
                   " VALUES"
                   " (1, '3962001', '100', 1, 1, 16, 0, 0, 3600000, '2006-10-09', '13:00:00'),"
                   " (2, '3962002', '200', 1, 1, 3, 0, 0, 1800000, '2006-10-08', '08:00:00'),"
                   " (3, '3962001', '300', 1, 1, 16, 0, 0, 1800000, '2006-10-10', '09:00:00'),"
                   " (4, '3962003', '400', 1, 1, 16, 0, 0, NULL, '2006-10-07', '07:00:00')",
                   "test rows");
    }
};

} // namespace kestrom::test
