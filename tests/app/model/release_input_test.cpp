// The release input record: the word layout the library reads, fresh
// defaults, the result path rules and the inlet-rate scaling.
#include "release_input.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using orvane::ReleaseInput;

long WordOf(const ReleaseInput& r, const void* field) {
    return (static_cast<const char*>(field) -
            reinterpret_cast<const char*>(static_cast<const orvane::ReleaseWords*>(&r))) /
           4;
}

TEST(ReleaseInput, every_library_word_sits_where_the_public_header_puts_it) {
    auto rec = std::make_unique<ReleaseInput>();
    const ReleaseInput& r = *rec;
    struct Case {
        const char* field;
        long ours, header, word;
    } cases[] = {
        {"NBR", WordOf(r, &r.net.NBR), long(offsetof(::ReleaseInput, net.NBR) / 4), 0},
        {"NJUN", WordOf(r, &r.net.NJUN), long(offsetof(::ReleaseInput, net.NJUN) / 4), 1},
        {"NBJ(3)", WordOf(r, &r.net.NBJ[2]), long(offsetof(::ReleaseInput, net.NBJ[2]) / 4), 4},
        {"IBJ(2,4)", WordOf(r, &r.IBJ(1, 3)),
         long(offsetof(::ReleaseInput, net.IBJ[1 + 3 * 3]) / 4), 5 + 1 + 3 * 3},
        {"NPIPE(1)", WordOf(r, &r.br[0].NPIPE), long(offsetof(::ReleaseInput, br[0].NPIPE) / 4),
         20},
        {"XBR0(4)", WordOf(r, &r.br[3].XBR0), long(offsetof(::ReleaseInput, br[3].XBR0) / 4),
         20 + 903 * 3 + 1},
        {"ZBR0(15)", WordOf(r, &r.br[14].ZBR0), long(offsetof(::ReleaseInput, br[14].ZBR0) / 4),
         20 + 903 * 14 + 2},
        {"NSECT(2,7)", WordOf(r, &r.br[1].PIPE[6].NSECT),
         long(offsetof(::ReleaseInput, br[1].PIPE[6].NSECT) / 4), 20 + 903 + 3 + 9 * 6},
        {"DIAM", WordOf(r, &r.br[0].PIPE[0].DIAM),
         long(offsetof(::ReleaseInput, br[0].PIPE[0].DIAM) / 4), 24},
        {"ROUGH", WordOf(r, &r.br[0].PIPE[0].ROUGH),
         long(offsetof(::ReleaseInput, br[0].PIPE[0].ROUGH) / 4), 25},
        {"HTC", WordOf(r, &r.br[0].PIPE[0].HTC),
         long(offsetof(::ReleaseInput, br[0].PIPE[0].HTC) / 4), 26},
        {"TAMB", WordOf(r, &r.br[0].PIPE[0].TAMB),
         long(offsetof(::ReleaseInput, br[0].PIPE[0].TAMB) / 4), 27},
        {"XSTA", WordOf(r, &r.br[0].PIPE[0].XSTA),
         long(offsetof(::ReleaseInput, br[0].PIPE[0].XSTA) / 4), 28},
        {"ZSTA", WordOf(r, &r.br[0].PIPE[0].ZSTA),
         long(offsetof(::ReleaseInput, br[0].PIPE[0].ZSTA) / 4), 29},
        {"XEND", WordOf(r, &r.br[0].PIPE[0].XEND),
         long(offsetof(::ReleaseInput, br[0].PIPE[0].XEND) / 4), 30},
        {"ZEND", WordOf(r, &r.br[0].PIPE[0].ZEND),
         long(offsetof(::ReleaseInput, br[0].PIPE[0].ZEND) / 4), 31},
        {"last BRDATA word", WordOf(r, &r.br[14].PIPE[99].ZEND),
         long(offsetof(::ReleaseInput, br[14].PIPE[99].ZEND) / 4), 13564},
        {"QIN(1)", WordOf(r, &r.bnd.QIN[0]), long(offsetof(::ReleaseInput, bnd.QIN[0]) / 4), 13565},
        {"TIN(1)", WordOf(r, &r.bnd.TIN[0]), long(offsetof(::ReleaseInput, bnd.TIN[0]) / 4), 13580},
        {"TCLIN(15)", WordOf(r, &r.bnd.TCLIN[14]),
         long(offsetof(::ReleaseInput, bnd.TCLIN[14]) / 4), 13609},
        {"POUT", WordOf(r, &r.bnd.POUT), long(offsetof(::ReleaseInput, bnd.POUT) / 4), 13610},
        {"TCLOUT", WordOf(r, &r.bnd.TCLOUT), long(offsetof(::ReleaseInput, bnd.TCLOUT) / 4), 13611},
        {"LEKTYP", WordOf(r, &r.lek.LEKTYP), long(offsetof(::ReleaseInput, lek.LEKTYP) / 4), 13612},
        {"LEKBR", WordOf(r, &r.lek.LEKBR), long(offsetof(::ReleaseInput, lek.LEKBR) / 4), 13613},
        {"LEKX", WordOf(r, &r.lek.LEKX), long(offsetof(::ReleaseInput, lek.LEKX) / 4), 13614},
        {"LEKDIA", WordOf(r, &r.lek.LEKDIA), long(offsetof(::ReleaseInput, lek.LEKDIA) / 4), 13615},
        {"LEKPB", WordOf(r, &r.lek.LEKPB), long(offsetof(::ReleaseInput, lek.LEKPB) / 4), 13616},
        {"NP", WordOf(r, &r.pvt.NP), long(offsetof(::ReleaseInput, pvt.NP) / 4), 13617},
        {"TAB(2,3,4)", WordOf(r, &r.pvt.TAB[1][2][3]),
         long(offsetof(::ReleaseInput, pvt.TAB[1][2][3]) / 4), 13617 + 82 + 400 + 40 + 3},
        {"WCUT", WordOf(r, &r.pvt.WCUT), long(offsetof(::ReleaseInput, pvt.WCUT) / 4), 20099},
        {"ROGST", WordOf(r, &r.pvt.ROGST), long(offsetof(::ReleaseInput, pvt.ROGST) / 4), 20100},
        {"ROLST", WordOf(r, &r.pvt.ROLST), long(offsetof(::ReleaseInput, pvt.ROLST) / 4), 20101},
        {"GORST", WordOf(r, &r.pvt.GORST), long(offsetof(::ReleaseInput, pvt.GORST) / 4), 20102},
        {"BETAST", WordOf(r, &r.pvt.BETAST), long(offsetof(::ReleaseInput, pvt.BETAST) / 4), 20103},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(c.ours, c.word) << c.field;
        EXPECT_EQ(c.header, c.word) << c.field;
    }
    // The five addresses RELEASE receives.
    EXPECT_EQ(WordOf(r, rec->NetHeader()), 0);
    EXPECT_EQ(WordOf(r, rec->BranchData()), 20);
    EXPECT_EQ(WordOf(r, rec->BoundaryData()), 13565);
    EXPECT_EQ(WordOf(r, rec->LeakData()), 13612);
    EXPECT_EQ(WordOf(r, rec->PvtBlock()), 13617);
    orvane::ReleaseControl ctl;
    EXPECT_EQ(reinterpret_cast<char*>(&ctl.TUSER) - reinterpret_cast<char*>(ctl.Words()), 4);
    EXPECT_EQ(reinterpret_cast<char*>(&ctl.NOTEMP) - reinterpret_cast<char*>(ctl.Words()), 8);
}

TEST(ReleaseInput, fresh_record_is_blank_with_the_library_defaults) {
    auto r = std::make_unique<ReleaseInput>();
    EXPECT_EQ(r->net.NBR, 0);
    EXPECT_EQ(r->bnd.POUT, 1.0f);
    EXPECT_EQ(r->bnd.TCLOUT, -1.0f);
    EXPECT_EQ(r->lek.LEKPB, 1.0f);
    EXPECT_EQ(r->leak_amb_temp, 4.0f);
    EXPECT_EQ(r->outlet_obj, 0);
    EXPECT_EQ(r->leak_obj, 0);
    const auto* pvt = reinterpret_cast<const unsigned char*>(&r->pvt);
    EXPECT_TRUE(std::all_of(pvt, pvt + sizeof(PVTBLK), [](unsigned char b) { return b == 0; }));
    const auto* br = reinterpret_cast<const unsigned char*>(r->br);
    EXPECT_TRUE(std::all_of(br, br + sizeof r->br, [](unsigned char b) { return b == 0; }));
    EXPECT_FALSE(r->HasResultFileName());

    orvane::ReleaseControl ctl;
    EXPECT_EQ(ctl.version, 2);
    EXPECT_EQ(ctl.TUSER, 0.0f);
    EXPECT_EQ(ctl.NOTEMP, 0);
    EXPECT_EQ(ctl.unused[97], 0);
}

TEST(ReleaseInput, result_path_rules) {
    ReleaseInput r;
    int32_t len = -1;
    EXPECT_STREQ(r.GetResultFileName(&len), "dummy.plt");
    EXPECT_EQ(len, 9);  // the text's length is what RELEASE is given
    EXPECT_EQ(r.ResultPathCapacity(), 255);

    ReleaseInput s;
    s.SetResultFileName("");  // no buffer yet: nothing happens
    EXPECT_FALSE(s.HasResultFileName());
    s.SetResultFileName("/data/scenarios/a-very-long.$$$");  // 31 characters
    EXPECT_EQ(s.ResultPathCapacity(), 31);
    s.SetResultFileName("/data/short.$$$");  // 15: the buffer is kept
    EXPECT_EQ(s.ResultPathCapacity(), 31);
    EXPECT_STREQ(s.GetResultFileName(&len), "/data/short.$$$");
    EXPECT_EQ(len, 15);
    s.SetResultFileName(nullptr);  // a buffer exists: emptied
    EXPECT_STREQ(s.GetResultFileName(&len), "");
    EXPECT_EQ(len, 0);
}

TEST(ReleaseInput, inlet_rate_factors_from_black_oil_and_from_composition) {
    struct Case {
        float rg, ro, gor, w, factor;
    } cases[] = {
        // (195.91873 * 0.800923 + 778.87164) / 86400
        {0.800923f, 778.87164f, 195.91873f, 0.0f, 0.010830874f},
        // water only: 100 * 10.2 / 86400 = 1020 / 86400
        {0.800923f, 778.87164f, 195.91873f, 100.0f, 0.011805556f},
        // above 100 % the oil share clamps to 0: 120 * 10.2 / 86400
        {0.8f, 800.0f, 100.0f, 120.0f, 0.014166667f},
        // half water: (0.5 * 100 * 1 + 0.5 * 800 + 510) / 86400
        {1.0f, 800.0f, 100.0f, 50.0f, 0.011111111f},
    };
    for (const Case& c : cases) {
        ReleaseInput r;
        r.net.NBR = 2;
        r.bnd.QIN[0] = 1.0f;
        r.bnd.QIN[1] = 1000.0f;
        r.bnd.QIN[2] = 5.0f;  // beyond NBR: untouched
        EXPECT_NEAR(r.ScaleInletRates(c.rg, c.ro, c.gor, c.w), c.factor, 1e-9f) << c.w;
        EXPECT_NEAR(r.bnd.QIN[0], c.factor, 1e-9f);
        EXPECT_NEAR(r.bnd.QIN[1], 1000.0f * c.factor, 1e-6f);
        EXPECT_EQ(r.bnd.QIN[2], 5.0f);
    }
    ReleaseInput g;
    g.net.NBR = 1;
    g.bnd.QIN[0] = 86400.0f;
    EXPECT_FALSE(g.ScaleInletRatesByDensity(5e-8f, 0.8f));
    EXPECT_EQ(g.bnd.QIN[0], 86400.0f);
    EXPECT_TRUE(g.ScaleInletRatesByDensity(0.5f, 0.8f));  // 86400 * 0.8 / (0.5 * 86400)
    EXPECT_NEAR(g.bnd.QIN[0], 1.6f, 1e-6f);
}

}  // namespace
