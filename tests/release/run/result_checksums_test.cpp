// The result files of the bundled example cases and of the generated network
// family (bench/network_family.h) must not change by a single byte: speed
// work and build flags may never change results. Each case is run through
// RELEASE in a scratch folder and the SHA-256 sums of its .plt and .log are
// compared with the list recorded in result_checksums.txt (the format of
// `sha256sum`, so the list can be checked by hand with `sha256sum -c` in a
// folder of results). A change that is meant to change results records the
// new sums in the list together with the reason.
#include <gtest/gtest.h>

#include <stdlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "case_file.h"
#include "network_family.h"

namespace fs = std::filesystem;

namespace {

// SHA-256 (FIPS 180-4) of a byte string, as lower-case hex.
std::string sha256(const std::string& data) {
    static const uint32_t k[64] = {
        0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4,
        0xab1c5ed5, 0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe,
        0x9bdc06a7, 0xc19bf174, 0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f,
        0x4a7484aa, 0x5cb0a9dc, 0x76f988da, 0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7,
        0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967, 0x27b70a85, 0x2e1b2138, 0x4d2c6dfc,
        0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85, 0xa2bfe8a1, 0xa81a664b,
        0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070, 0x19a4c116,
        0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
        0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7,
        0xc67178f2};
    uint32_t h[8] = {0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a,
                     0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};
    std::string m = data;
    const uint64_t bits = static_cast<uint64_t>(data.size()) * 8;
    m += static_cast<char>(0x80);
    while (m.size() % 64 != 56) m += '\0';
    for (int i = 7; i >= 0; --i) m += static_cast<char>((bits >> (8 * i)) & 0xff);
    auto rotr = [](uint32_t x, int n) { return (x >> n) | (x << (32 - n)); };
    for (size_t off = 0; off < m.size(); off += 64) {
        uint32_t w[64];
        for (int i = 0; i < 16; ++i) {
            const auto* p = reinterpret_cast<const unsigned char*>(m.data() + off + 4 * i);
            w[i] = (uint32_t(p[0]) << 24) | (uint32_t(p[1]) << 16) | (uint32_t(p[2]) << 8) |
                   uint32_t(p[3]);
        }
        for (int i = 16; i < 64; ++i) {
            uint32_t s0 = rotr(w[i - 15], 7) ^ rotr(w[i - 15], 18) ^ (w[i - 15] >> 3);
            uint32_t s1 = rotr(w[i - 2], 17) ^ rotr(w[i - 2], 19) ^ (w[i - 2] >> 10);
            w[i] = w[i - 16] + s0 + w[i - 7] + s1;
        }
        uint32_t a = h[0], b = h[1], c = h[2], d = h[3], e = h[4], f = h[5], g = h[6], hh = h[7];
        for (int i = 0; i < 64; ++i) {
            uint32_t t1 =
                hh + (rotr(e, 6) ^ rotr(e, 11) ^ rotr(e, 25)) + ((e & f) ^ (~e & g)) + k[i] + w[i];
            uint32_t t2 = (rotr(a, 2) ^ rotr(a, 13) ^ rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
            hh = g;
            g = f;
            f = e;
            e = d + t1;
            d = c;
            c = b;
            b = a;
            a = t1 + t2;
        }
        h[0] += a;
        h[1] += b;
        h[2] += c;
        h[3] += d;
        h[4] += e;
        h[5] += f;
        h[6] += g;
        h[7] += hh;
    }
    std::string hex;
    static const char* digits = "0123456789abcdef";
    for (uint32_t v : h)
        for (int i = 7; i >= 0; --i) hex += digits[(v >> (4 * i)) & 0xf];
    return hex;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// The recorded list: file name -> sum.
std::map<std::string, std::string> recorded() {
    std::map<std::string, std::string> sums;
    std::istringstream in(slurp(fs::path(RELEASE_TEST_DATA) / "release/run/result_checksums.txt"));
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream l(line);
        std::string sum, name;
        l >> sum >> name;
        if (!name.empty()) sums[name] = sum;
    }
    return sums;
}

struct CaseRun {
    std::string name;    // stem of the result files
    std::string source;  // case file, or empty for a family member
    std::string json;    // the family member's case text
};

void PrintTo(const CaseRun& r, std::ostream* os) { *os << r.name; }

std::vector<CaseRun> runs() {
    std::vector<CaseRun> all;
    std::vector<fs::path> files;
    for (const auto& e : fs::directory_iterator(fs::path(RELEASE_SOURCE_DIR) / "examples/cases"))
        if (e.path().extension() == ".json") files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const auto& f : files) all.push_back({f.stem().string(), f.string(), ""});
    for (const auto& m : family::members()) all.push_back({m.name, "", m.json});
    return all;
}

class ResultChecksums : public ::testing::TestWithParam<CaseRun> {
protected:
    void SetUp() override {
        std::string templ = (fs::path(::testing::TempDir()) / "checksums_XXXXXX").string();
        ASSERT_NE(mkdtemp(templ.data()), nullptr);
        dir_ = templ;
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    fs::path dir_;
};

TEST_P(ResultChecksums, ResultFilesAreByteIdenticalToTheRecordedOnes) {
    const CaseRun& r = GetParam();
    cases::Case c =
        r.source.empty() ? cases::parse_case(r.json, r.name) : cases::load_case(r.source);
    const family::Outcome o = family::run(c, (dir_ / r.name).string());
    ASSERT_EQ(o.ierr, 0) << o.message;
    const auto sums = recorded();
    for (const char* ext : {".plt", ".log"}) {
        const std::string file = r.name + ext;
        const auto it = sums.find(file);
        ASSERT_NE(it, sums.end()) << file << " has no recorded sum";
        EXPECT_EQ(sha256(slurp(dir_ / file)), it->second)
            << file << " differs from the recorded result";
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, ResultChecksums, ::testing::ValuesIn(runs()),
                         [](const ::testing::TestParamInfo<CaseRun>& i) { return i.param.name; });

TEST(Sha256, MatchesPublishedTestVectors) {
    EXPECT_EQ(sha256(""), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    EXPECT_EQ(sha256("abc"), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(sha256("abcdbcdecdefdefgefghfghighijhijkijkljklmklmnlmnomnopnopq"),
              "248d6a61d20638b8e5c026930c3e6039a33ce45964ff2167f6ecedd419db06c1");
}

}  // namespace
