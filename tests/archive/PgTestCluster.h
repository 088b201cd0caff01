#pragma once

#include "archive/PgConnection.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <string_view>

namespace kestrom::test {

/// The throwaway cluster that tests/archive/with_cluster.sh starts: its
/// folder ($KESTROM_PG_DIR) holds one connection string per role.
class PgTestCluster {
  public:
    /// Empty when the tests run without a cluster.
    static std::filesystem::path Dir() {
        const char* dir = std::getenv("KESTROM_PG_DIR");
        return dir != nullptr ? std::filesystem::path(dir) : std::filesystem::path();
    }

    /// The connection string of "admin", "ingest" or "reader".
    static std::string Conninfo(std::string_view role) {
        std::ifstream in(Dir() / ("conninfo-" + std::string(role)));
        std::string line;
        std::getline(in, line);
        return line;
    }

    /// The connection string with another database.
    static std::string InDatabase(const std::string& conninfo, const std::string& database) {
        std::istringstream in(conninfo);
        std::string out, item;
        while (in >> item)
            out += (out.empty() ? "" : " ") +
                   (item.starts_with("dbname=") ? "dbname=" + database : item);
        return out;
    }
};

/// A database of its own for one test, owned by the ingest role and dropped
/// at the end (with any connection still open to it).
class ScratchDatabase {
  public:
    ScratchDatabase() {
        std::random_device rd;
        name_ = "kestrom_test_" + std::to_string(rd());
        PgConnection admin(PgTestCluster::Conninfo("admin"));
        admin.Exec("CREATE DATABASE " + name_ + " OWNER kestrom_ingest");
    }
    ~ScratchDatabase() {
        try {
            PgConnection admin(PgTestCluster::Conninfo("admin"));
            admin.Exec("DROP DATABASE IF EXISTS " + name_ + " WITH (FORCE)");
        } catch (const ArchiveError&) {
            // The cluster goes away with the test program anyway.
        }
    }
    ScratchDatabase(const ScratchDatabase&) = delete;
    ScratchDatabase& operator=(const ScratchDatabase&) = delete;

    const std::string& Name() const { return name_; }
    /// The connection string of a role ("admin", "ingest", "reader") to it.
    std::string Conninfo(std::string_view role) const {
        return PgTestCluster::InDatabase(PgTestCluster::Conninfo(role), name_);
    }

  private:
    std::string name_;
};

} // namespace kestrom::test
