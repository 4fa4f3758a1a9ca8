// Helpers of the deck tests: temporary files, decks from text, file contents.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "release/scratch.h"

namespace decktest {

inline std::filesystem::path scratch_dir() { return testrun::scratch("deck"); }

inline std::string write_file(const std::string& name, const std::string& text) {
    auto p = scratch_dir() / name;
    std::ofstream(p) << text;
    return p.string();
}

inline std::string read_file(const std::string& path) {
    std::ifstream f(path);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

inline std::vector<std::string> lines_of(const std::string& text) {
    std::vector<std::string> v;
    std::stringstream s(text);
    std::string l;
    while (std::getline(s, l)) v.push_back(l);
    return v;
}

inline std::string fixture(const std::string& name) {
    return std::string(RELEASE_TEST_DATA) + "/release/deck/fixtures/" + name;
}

}  // namespace decktest

#include "rt/fortio.h"
#include "run/state.h"

namespace decktest {

// One branch from an inlet (type 0) of one 100 m pipe, 0.3 m across: 7
// sections (inlet, 5 real of 20 m, end), local sections 1..5 = cells 2..6.
constexpr float AREA = 0.0706858f;  // 3.141593 x 0.3 x 0.3 / 4, by hand
inline void small_network() {
    using namespace rel;
    INICOM();
    NETDSC.NBR = 1;
    NETDSC.ITYPBR(1) = 0;
    NETDSC.NSECBR(1) = 7;
    NETDSC.NPIPBR(1) = 1;
    PIPGEO.NSEC = 7;
    PIPGEO.DIAM(1) = 0.3f;
    PIPGEO.NSECPP(1) = 7;
    PIPGEO.PLEN(1) = 100.0f;
    PIPGEO.XYZEND(1, 1) = 100.0f;
    for (int s = 1; s <= 7; ++s) {
        PIPGEO.SECAREA(s) = AREA;
        PIPGEO.IPIPE(s) = 1;
        PIPGEO.DX(s) = 20.0f;
        NETDSC.IBRSEC(s) = 1;
    }
}

// Units of a reader test: the deck text on unit 10, the log on unit 77.
struct Units {
    std::string log;
    explicit Units(const std::string& deck, const std::string& name = "case") {
        rt::reset_units();
        auto d = write_file(name + ".deck", deck);
        log = (scratch_dir() / (name + ".log")).string();
        rt::open_unit_read(10, d);
        rt::open_unit(77, log);
    }
    // The log so far, line by line (the unit is closed).
    std::vector<std::string> finish() {
        rt::close_unit(77);
        return lines_of(read_file(log));
    }
    // The record the input unit stands before ("<end>" at the end).
    static std::string next_record() {
        std::string r;
        return rt::read_line(10, r) ? r : "<end>";
    }
    ~Units() { rt::reset_units(); }
};

// True when the lines hold want as consecutive lines.
inline bool has_block(const std::vector<std::string>& lines, const std::vector<std::string>& want) {
    if (want.empty()) return true;
    for (size_t i = 0; i + want.size() <= lines.size(); ++i) {
        size_t k = 0;
        while (k < want.size() && lines[i + k] == want[k]) ++k;
        if (k == want.size()) return true;
    }
    return false;
}

inline std::string show(const std::vector<std::string>& lines) {
    std::string s;
    for (auto& l : lines) s += "[" + l + "]\n";
    return s;
}

}  // namespace decktest
