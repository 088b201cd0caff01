// kestrom-cli: the console front end of Kestrom.

#include "app/CliCommands.h"
#include "app/ProgramDir.h"

#include <iostream>
#include <string>

namespace {

void Usage() {
    std::cerr << "Использование:\n"
                 "  kestrom-cli decode FILE...\n"
                 "  kestrom-cli store [--db-dir DIR] FILE...\n";
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        Usage();
        return 2;
    }
    const std::string command = argv[1];
    kestrom::cli::Args args(argv + 2, argv + argc);
    if (command == "decode") return kestrom::cli::Decode(args);
    if (command == "store") return kestrom::cli::Store(args, kestrom::ProgramDirectory(argv[0]));
    std::cerr << "kestrom-cli: неизвестная команда: " << command << "\n";
    Usage();
    return 2;
}
