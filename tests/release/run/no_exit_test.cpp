// No routine of the library may end the calling process.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <sstream>
#include <string>

namespace fs = std::filesystem;

TEST(NoProcessEnd, NoExitOrAbortUnderRelease) {
    const std::regex call(R"(\b(exit|_exit|_Exit|quick_exit|abort|terminate|assert)\s*\()");
    const fs::path root = fs::path(RELEASE_SOURCE_DIR) / "release";
    int files = 0;
    for (const auto& e : fs::recursive_directory_iterator(root)) {
        const auto ext = e.path().extension();
        if (ext != ".cpp" && ext != ".h" && ext != ".hpp") continue;
        ++files;
        std::ifstream f(e.path());
        std::string line;
        for (int n = 1; std::getline(f, line); ++n) {
            const auto comment = line.find("//");
            const std::string code = line.substr(0, comment);
            EXPECT_FALSE(std::regex_search(code, call)) << e.path() << ":" << n << ": " << line;
        }
    }
    EXPECT_GT(files, 0);
}
