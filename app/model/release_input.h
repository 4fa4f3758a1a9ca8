// The release input record that the network validation fills and the
// simulation library's RELEASE reads, and the run options beside it.
//
// The library reads the first 20104 four-byte words through five addresses
// (NETHDR, BRDATA, BNDDAT, LEKDAT, PVTBLK); they are laid out here exactly as
// in the library's public header, checked word by word below. What follows
// is the front end's own bookkeeping (which diagram object each branch,
// segment, inlet, outlet and the leak came from, the leak's depth and
// ambient temperature, the result base path) in ordinary members.
//
// The library's header declares C structs of the same names in the global
// namespace; these classes live in namespace orvane.
#pragma once

#include <release/release.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace orvane {

constexpr int MAX_BRANCHES = 15;
constexpr int MAX_JUNCTIONS = 3;
constexpr int MAX_BRANCHES_PER_JUNCTION = 5;
constexpr int MAX_SEGMENTS = 100;

// The library's input: 20104 words, no padding.
struct ReleaseWords {
    NETHDR net;
    BRREC br[MAX_BRANCHES];
    BNDDAT bnd;
    LEKDAT lek;
    PVTBLK pvt;
};

class ReleaseInput : public ReleaseWords {
public:
    // Zeroes every word, then POUT 1.0, TCLOUT -1.0, LEKPB 1.0, leak ambient
    // temperature 4.0, no result path.
    ReleaseInput();

    // Branch b (0-based) number in IBJ at junction j (0-based), place k
    // (0-based): word 5 + j + 3k.
    int32_t& IBJ(int j, int k) { return net.IBJ[j + 3 * k]; }
    const int32_t& IBJ(int j, int k) const { return net.IBJ[j + 3 * k]; }

    // The addresses RELEASE reads (words 0, 20, 13565, 13612, 13617).
    NETHDR* NetHeader() { return &net; }
    BRREC* BranchData() { return br; }
    BNDDAT* BoundaryData() { return &bnd; }
    LEKDAT* LeakData() { return &lek; }
    PVTBLK* PvtBlock() { return &pvt; }

    // Result base path: an empty text empties a stored one. The buffer keeps
    // its capacity when a shorter path follows a longer one.
    void SetResultFileName(const char* path);
    // The stored path; "dummy.plt" when none was ever set. length (when
    // given) receives the text's length: RELEASE treats the path as a
    // fixed-length text and derives ".plt" and ".log" from its last three
    // characters, so it must never see the buffer's spare capacity.
    const char* GetResultFileName(int32_t* length = nullptr);
    // Characters the path buffer holds without growing (255 after the
    // "dummy.plt" default, else the longest path stored so far).
    int32_t ResultPathCapacity() const { return m_resultPathCapacity; }
    bool HasResultFileName() const { return m_hasResultPath; }

    // Inlet rates entered per day (liquid Sm3/d) to kg/s for a black oil:
    // f = clamp((100 - w)/100, 0, 1), factor = (f gor rg + f ro + 10.2 w)/86400
    // rounded once to float. Returns the factor.
    float ScaleInletRates(float rg, float ro, float gor, float w);
    // Inlet rates entered per day (gas Sm3/d) to kg/s from the gas mass
    // fraction and gas density at standard conditions: factor rho/(beta 86400).
    // Refuses (false, rates unchanged) when beta < 1e-7.
    bool ScaleInletRatesByDensity(float beta, float rho);

    // Bookkeeping: object numbers (xref) of the diagram objects; 0 = none.
    int32_t branch_start_obj[MAX_BRANCHES];
    int32_t branch_name_obj[MAX_BRANCHES];
    int32_t junction_obj[MAX_JUNCTIONS];
    int32_t segment_obj[MAX_BRANCHES][MAX_SEGMENTS];
    int32_t inlet_obj[MAX_BRANCHES];
    int32_t outlet_obj;
    int32_t leak_obj;
    float leak_depth;     // m
    float leak_amb_temp;  // deg C

private:
    std::string m_resultPath;
    int32_t m_resultPathCapacity = 0;
    bool m_hasResultPath = false;
};

// Run options: 101 words, word 0 = 2, word 1 user end time (s after the leak
// opens, 0 = none), word 2 temperature switch (1 = not calculated).
class ReleaseControl : public ::ReleaseControl {
public:
    ReleaseControl();
    ::ReleaseControl* Words() { return this; }
};

// Word offsets of the library's part of the record, against the layout the
// library reads.
#define ORVANE_WORD(f) (offsetof(ReleaseWords, f) / 4)
static_assert(sizeof(ReleaseWords) == 20104 * 4);
static_assert(ORVANE_WORD(net.NBR) == 0 && ORVANE_WORD(net.NJUN) == 1 &&
              ORVANE_WORD(net.NBJ) == 2 && ORVANE_WORD(net.IBJ) == 5);
static_assert(ORVANE_WORD(br) == 20 && ORVANE_WORD(br[1]) == 20 + 903 &&
              ORVANE_WORD(br[14].PIPE[99].ZEND) == 13564);
static_assert(ORVANE_WORD(br[0].XBR0) == 21 && ORVANE_WORD(br[0].ZBR0) == 22 &&
              ORVANE_WORD(br[0].PIPE[1].NSECT) == 23 + 9);
static_assert(ORVANE_WORD(bnd.QIN) == 13565 && ORVANE_WORD(bnd.TIN) == 13580 &&
              ORVANE_WORD(bnd.TCLIN) == 13595 && ORVANE_WORD(bnd.POUT) == 13610 &&
              ORVANE_WORD(bnd.TCLOUT) == 13611);
static_assert(ORVANE_WORD(lek.LEKTYP) == 13612 && ORVANE_WORD(lek.LEKBR) == 13613 &&
              ORVANE_WORD(lek.LEKX) == 13614 && ORVANE_WORD(lek.LEKDIA) == 13615 &&
              ORVANE_WORD(lek.LEKPB) == 13616);
static_assert(ORVANE_WORD(pvt) == 13617 && ORVANE_WORD(pvt.WCUT) == 20099 &&
              ORVANE_WORD(pvt.ROGST) == 20100 && ORVANE_WORD(pvt.ROLST) == 20101 &&
              ORVANE_WORD(pvt.GORST) == 20102 && ORVANE_WORD(pvt.BETAST) == 20103);
#undef ORVANE_WORD
static_assert(sizeof(::ReleaseControl) == 101 * 4 && offsetof(::ReleaseControl, TUSER) == 4 &&
              offsetof(::ReleaseControl, NOTEMP) == 8);

// Calls RELEASE with the record's five blocks, the run options, a zeroed
// summary, the result path with its text length, and the progress callback
// (null for none). Returns IERR; message receives the library's text with
// trailing blanks and NULs removed.
int32_t CallRelease(ReleaseInput& input, ReleaseControl& control, DischargeSummary& summary,
                    ReleaseProgressFn callback, std::string& message);

}  // namespace orvane
