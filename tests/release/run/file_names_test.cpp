// The result-file names beside the scenario.
#include <gtest/gtest.h>

#include <string>

#include "run/setup.h"

using namespace rel;

TEST(FileNames, LastThreeCharactersReplaced) {
    struct Case {
        std::string path;
        int32_t len;
        const char* plt;
        const char* log;
    };
    const std::string dummy = std::string("dummy.plt") + std::string(246, '\0');
    const Case cases[] = {
        {"/data/scenario.$$$", 18, "/data/scenario.plt", "/data/scenario.log"},
        {"ab", 2, "plt", "log"},  // fewer than 3 characters
        {"", 0, "plt", "log"},
        {"/x/y.$$$", -4, "plt", "log"},  // a negative length counts as none
        // A C text ends at its NUL: the front end's default path is
        // "dummy.plt" padded with NULs to 255 characters.
        {dummy, 255, "dummy.plt", "dummy.log"},
    };
    for (const Case& c : cases) {
        std::string plt, log;
        EXPECT_TRUE(FILNAM(c.path.data(), c.len, plt, log)) << c.path;
        EXPECT_EQ(plt, c.plt) << c.path;
        EXPECT_EQ(log, c.log) << c.path;
    }
    std::string plt, log;
    EXPECT_TRUE(FILNAM(nullptr, 5, plt, log));  // no text at all
    EXPECT_EQ(plt, "plt");
}

TEST(FileNames, LongerThan256IsRefusedNotCut) {
    std::string plt, log;
    const std::string p256 = std::string(252, 'a') + ".$$$";
    EXPECT_TRUE(FILNAM(p256.data(), 256, plt, log));
    EXPECT_EQ(plt.size(), 256u);
    const std::string p257 = std::string(253, 'a') + ".$$$";
    EXPECT_FALSE(FILNAM(p257.data(), 257, plt, log));
}
