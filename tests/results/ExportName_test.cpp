#include "results/ExportName.h"

#include <gtest/gtest.h>

namespace kestrom {
namespace {

TEST(ExportNameTest, BuiltFromTheNumberFiltersThatAreOn) {
    EXPECT_EQ(ProposedExportName(false, "123", false, "45"), "SierchRes_");
    EXPECT_EQ(ProposedExportName(false, "123", true, "45"), "SierchRes_№B_45");
    EXPECT_EQ(ProposedExportName(true, "123", false, "45"), "SierchRes_№А_123_");
    EXPECT_EQ(ProposedExportName(true, "123", true, "45"), "SierchRes_№А_123_№B_45");
    // A Cyrillic А after №, a Latin B; the patterns as typed.
    EXPECT_EQ(ProposedExportName(true, " 39*,40/", false, ""),
              "SierchRes_\xE2\x84\x96\xD0\x90_ 39*,40/_");
    EXPECT_EQ(ProposedExportName(false, "", true, "7"), "SierchRes_\xE2\x84\x96"
                                                        "B_7");
}

} // namespace
} // namespace kestrom
