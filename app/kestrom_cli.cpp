// kestrom-cli: the console front end of Kestrom.

#include "app/CliCommands.h"
#include "app/ProgramDir.h"

#include <iostream>
#include <string>

namespace kestrom::cli {

void Usage() {
    std::cerr
        << "Использование:\n"
           "  kestrom-cli decode FILE...\n"
           "  kestrom-cli load --ama-dir DIR | --server CONNINFO\n"
           "                   --from YYYY-MM-DD --to YYYY-MM-DD\n"
           "                   [--exchange X] [--a MODE:TEXT] [--b MODE:TEXT] [--join and|or]\n"
           "                   [--in-tg N] [--out-tg N] [--error-code N]\n"
           "                   [--time-from HH:MM:SS] [--time-to HH:MM:SS] [--all-calls]\n"
           "                   [--db-dir DIR]\n"
           "    MODE: eq, like, starts, ends, not-starts, not-eq, not-ends\n"
           "  kestrom-cli query [--db-dir DIR] [--columns NAME,...] [--sort ITEM,...]\n"
           "                    [--where COLUMN:CONDITION]... [--totals] [--format csv]\n"
           "                    [--out FILE]\n"
           "  kestrom-cli export --format html|xls|xlsx|csv --out FILE [--db-dir DIR]\n"
           "                     [--columns NAME,...] [--sort ITEM,...]\n"
           "                     [--where COLUMN:CONDITION]...\n"
           "  kestrom-cli print --pdf FILE [--db-dir DIR] [--columns NAME,...]\n"
           "                    [--sort ITEM,...] [--where COLUMN:CONDITION]...\n"
           "  kestrom-cli stats [--db-dir DIR] [--where COLUMN:CONDITION]...\n"
           "                    --format json|csv [--out FILE]\n"
           "  kestrom-cli archive --server CONNINFO --ama-dir DIR [--exchange X] [--jobs N]\n"
           "                      [--watch [--interval SECONDS]]\n"
           "    CONNINFO: host=... port=... dbname=... user=... или service=ИМЯ;\n"
           "    пароль — в файле паролей libpq (~/.pgpass, PGPASSFILE, права 0600)\n";
}

} // namespace kestrom::cli

using kestrom::cli::Usage;

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage();
        return 2;
    }
    const std::string command = argv[1];
    kestrom::cli::Args args(argv + 2, argv + argc);
    if (command == "decode") return kestrom::cli::Decode(args);
    if (command == "load") return kestrom::cli::Load(args, kestrom::ProgramDirectory(argv[0]));
    if (command == "query") return kestrom::cli::Query(args, kestrom::ProgramDirectory(argv[0]));
    if (command == "export") return kestrom::cli::Export(args, kestrom::ProgramDirectory(argv[0]));
    if (command == "print") return kestrom::cli::Print(args, kestrom::ProgramDirectory(argv[0]));
    if (command == "stats") return kestrom::cli::Stats(args, kestrom::ProgramDirectory(argv[0]));
    if (command == "archive")
        return kestrom::cli::Archive(args, kestrom::ProgramDirectory(argv[0]));
    std::cerr << "kestrom-cli: неизвестная команда: " << command << "\n";
    Usage();
    return 2;
}
