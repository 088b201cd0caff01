#include "app/CliResult.h"
#include "load/CallTable.h"
#include "results/ResultQuery.h"

#include <iostream>

namespace kestrom::cli {

int CliResult::Open(const CliResultOptions& options, std::string_view prefix) {
    db_.emplace(options.DbDir());
    query_.emplace(*db_);
    const ResultOutcome opened = OpenResultQuery(*query_, options.Sort());
    if (!opened.ok) {
        query_->Close();
        if (const std::string damage = CallTableDamage(*db_); !damage.empty())
            std::cerr << prefix << damage << "\n";
        else
            std::cerr << prefix << opened.message << ": " << opened.detail << "\n";
        return 1;
    }
    if (LastLoadEnd(*db_) == LoadEnd::BrokeOff) std::cerr << IncompleteLoadMessage << "\n";

    rows_.Reset(*query_);
    if (const int status = FindColumns(options.Columns(), prefix); status != 0) return status;
    filter_.emplace(rows_.Columns(), texts_);
    return SetConditions(options.Where(), prefix);
}

int CliResult::FindColumns(const std::vector<std::string>& names, std::string_view prefix) {
    positions_.clear();
    for (const std::string& name : names) {
        const int at = rows_.ColumnIndex(name);
        if (at < 0) {
            std::cerr << prefix << "--columns: столбца нет в результате: " << name << "\n";
            return 1;
        }
        positions_.push_back(static_cast<std::size_t>(at));
    }
    return 0;
}

int CliResult::SetConditions(const std::vector<ResultCondition>& where, std::string_view prefix) {
    for (const ResultCondition& condition : where) {
        const int at = rows_.ColumnIndex(condition.column);
        const std::string error = at < 0
                                      ? std::string("столбца нет в результате")
                                      : filter_->Add(static_cast<std::size_t>(at), condition.text);
        if (!error.empty()) {
            std::cerr << prefix << "--where: " << condition.column << ": " << error << "\n";
            return 2;
        }
    }
    return 0;
}

std::vector<std::uint32_t> CliResult::ReadFiltered() {
    rows_.ReadRows(*query_);
    return filter_->Apply(rows_, texts_);
}

std::string CliResult::Explain(const std::exception& failure) {
    std::string damage;
    if (db_) {
        try {
            damage = CallTableDamage(*db_);
        } catch (const std::exception&) {
        }
    }
    return damage.empty() ? failure.what() : damage;
}

} // namespace kestrom::cli
