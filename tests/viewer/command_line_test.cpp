#include "command_line.h"

#include <gtest/gtest.h>

namespace tessel {
namespace {

struct CommandLineCase {
    const char* what;
    QStringList arguments;
    bool empty;
    const char* fileName;
    int unitSys;
};

TEST(CommandLine, PathAndUnitSwitch) {
    const CommandLineCase cases[] = {
        {"no arguments", {}, true, "", 1},
        {"only blanks", {QStringLiteral("   ")}, true, "", 1},
        {"joined, English", {QStringLiteral("a b.plt /unit=2")}, false, "a b.plt", 2},
        {"split by a shell, English", {"a", "b.plt", "/unit=2"}, false, "a b.plt", 2},
        {"SI", {"net.plt", "/unit=1"}, false, "net.plt", 1},
        {"switch without a number", {"net.plt", "/unit"}, false, "net.plt", 1},
        {"no switch", {"net.plt"}, false, "net.plt", 1},
        {"a 2 anywhere after /unit", {"net.plt", "/unit:12"}, false, "net.plt", 2},
        {"upper case is part of the name",
         {QStringLiteral("net.plt /UNIT=2")},
         false,
         "net.plt /UNIT=2",
         1},
        {"path containing /unit", {"/data/units/net.plt"}, false, "/data/units/net.plt", 1},
        {"path containing /unit, then the switch",
         {"/data/units/net.plt", "/unit=2"},
         false,
         "/data/units/net.plt",
         2},
        {"path ending in a /unit folder",
         {QStringLiteral("/srv/x /unit/net.plt")},
         false,
         "/srv/x /unit/net.plt",
         1},
        {"blanks around", {QStringLiteral("  my net.dbs   /unit=2 ")}, false, "my net.dbs", 2},
        {"a switch alone is a name", {"/unit=2"}, false, "/unit=2", 1},
        {"spaced as the usage text shows",
         {QStringLiteral("net.plt /unit = 2")},
         false,
         "net.plt",
         2},
        {"spaced, split by a shell", {"my", "net.plt", "/unit", "=", "2"}, false, "my net.plt", 2},
        {"spaced before the number", {QStringLiteral("net.plt /unit =2")}, false, "net.plt", 2},
        {"spaced after the sign", {QStringLiteral("net.plt /unit= 1")}, false, "net.plt", 1},
        {"spaced, blanks around",
         {QStringLiteral(" a b.dbs   /unit   =   2 ")},
         false,
         "a b.dbs",
         2},
        {"a word after /unit that is no number",
         {QStringLiteral("/data/unit test.plt")},
         false,
         "/data/unit test.plt",
         1},
        {"a name ending in digits after a /unit folder",
         {QStringLiteral("/srv /unit 2")},
         false,
         "/srv",
         2},
    };
    for (const CommandLineCase& c : cases) {
        const CommandLine parsed = ParseCommandLine(c.arguments);
        EXPECT_EQ(parsed.empty, c.empty) << c.what;
        EXPECT_EQ(parsed.fileName, QString::fromUtf8(c.fileName)) << c.what;
        EXPECT_EQ(parsed.UnitSys, c.unitSys) << c.what;
    }
}

}  // namespace
}  // namespace tessel
