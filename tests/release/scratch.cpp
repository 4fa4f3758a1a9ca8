#include "scratch.h"

#include <stdlib.h>

#include <cstdio>
#include <stdexcept>
#include <system_error>

namespace fs = std::filesystem;

namespace testrun {
namespace {

// The folder, removed with everything in it when the process ends (also when
// it only listed its tests).
struct Root {
    fs::path path;
    ~Root() {
        if (path.empty()) return;
        std::error_code ec;
        fs::remove_all(path, ec);
        if (ec) std::fprintf(stderr, "cannot remove %s: %s\n", path.c_str(), ec.message().c_str());
    }
};

Root& root() {
    static Root r;
    return r;
}

}  // namespace

const fs::path& scratch_root() {
    Root& r = root();
    if (r.path.empty()) {
        std::string pattern = (fs::temp_directory_path() / "release_tests_XXXXXX").string();
        if (!::mkdtemp(pattern.data()))
            throw std::runtime_error("cannot make a scratch folder in " + pattern);
        r.path = pattern;
    }
    return r.path;
}

fs::path scratch(const std::string& name) {
    const fs::path d = scratch_root() / name;
    fs::create_directories(d);
    return d;
}

}  // namespace testrun
