#include "results/ExportName.h"

namespace kestrom {

std::string ProposedExportName(bool numberAOn, std::string_view numberA, bool numberBOn,
                               std::string_view numberB) {
    std::string name = "SierchRes_";
    if (numberAOn) name.append("№А_").append(numberA).append("_");
    if (numberBOn) name.append("№B_").append(numberB);
    return name;
}

} // namespace kestrom
