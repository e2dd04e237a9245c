// Diagnostics read like a compiler's, so editors can jump to them.
#include <gtest/gtest.h>

#include "tools/zemworld/zemworld.h"

TEST(Report, FormatsFileLineAndKind) {
    Report report;
    ReportError(&report, "game.txt", 12, "door target 'hal2' names no location");
    ReportWarning(&report, "ROOM.BMP", 0, "stamp rectangle differs");
    ASSERT_EQ(report.items.size(), 2u);
    EXPECT_EQ(report.errors, 1);
    EXPECT_EQ(report.warnings, 1);
    EXPECT_EQ(FormatDiagnostic(report.items[0]),
              "game.txt:12: error: door target 'hal2' names no location");
    EXPECT_EQ(FormatDiagnostic(report.items[1]), "ROOM.BMP: warning: stamp rectangle differs");
}
