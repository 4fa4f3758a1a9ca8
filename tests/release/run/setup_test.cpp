// Set-up tables of small networks against values worked by hand.
//
// The set-up routines run in the order of a run, leaving out the fluid
// tables, run schedule and initial state (their owners' work): nothing of
// the tables below depends on them.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "networks.h"
#include "run/errors.h"
#include "run/setup.h"
#include "run/state.h"

using namespace rel;

namespace {

// Float arithmetic of the set-up against decimal hand values.
constexpr float TOL = 1e-5f;
// Areas: pi/4 D^2 with the set-up's 3.141593.
constexpr float A03 = 3.141593f * 0.09f * 0.25f;
constexpr float A02 = 3.141593f * 0.04f * 0.25f;
constexpr float A04 = 3.141593f * 0.16f * 0.25f;

struct Result {
    int32_t IERR = 0;
    std::string msg;
};

Result set_up(nets::Input& in) {
    char MSG[MSGLEN];
    Result r;
    const ReleaseInput& x = in.rec;
    RDNET(x.net, x.br, x.bnd, x.lek, x.pvt, in.ctl, r.IERR, MSG);
    if (r.IERR == 0) {
        SECNUM();
        EQNUM();
        BRSETP(r.IERR, MSG, MSGLEN, x.br, in.ctl.NOTEMP);
    }
    if (r.IERR == 0) INLSET(x.bnd, r.IERR, MSG);
    if (r.IERR == 0) CHKCHO(x.bnd.TCLOUT, r.IERR, MSG, MSGLEN);
    if (r.IERR == 0) {
        VALLST(r.IERR);
        SECSET(r.IERR);
        CTRSET(IOUNIT.IECHO, IOUNIT.IUIN, IOUNIT.IULOG, r.IERR);
        CHKLEK(x.lek, r.IERR, MSG, MSGLEN);
    }
    if (r.IERR == 0) BCCHK(r.IERR, MSG, MSGLEN);
    r.msg = msgtext(MSG, MSGLEN);
    return r;
}

template <class A>
std::vector<float> col(const A& a, int from, int to) {
    std::vector<float> v;
    for (int i = from; i <= to; ++i) v.push_back(static_cast<float>(a(i)));
    return v;
}

void expect_near(const std::vector<float>& got, const std::vector<float>& want, float tol,
                 const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < got.size(); ++i)
        EXPECT_NEAR(got[i], want[i], tol * std::max(1.0f, std::fabs(want[i])))
            << what << " entry " << i + 1;
}

}  // namespace

// One branch of two pipes (see networks.h). By hand:
//  pipe 1: L = sqrt(80^2 + 60^2) = 100 m -> INT(100/25)+1 = 5, +1 inlet = 6
//          sections of 100/(6-1) = 20 m; pipe 2: L = 30 -> 2, +1 end = 3 of
//          30/(3-1) = 15 m. NSEC = 9; type 0 -> NEQ 3n-4 = 23, NEQL 2n = 18,
//          NEQG n = 9.
//  EQNUM: sections 2..8 pressure unknowns 3,6,..,21 and boundary unknowns
//          1,4,..,19; the end section 9 only its boundary unknown 22.
//  Elevations: pipe 1 rises 60 m over 100 m, 20 m sections: -100 + 20*60/2/100
//          = -94, then +12 each; pipe 2 level at -40. Sine (zsta-zend)/L = -0.6.
TEST(SetupOneBranch, SectionsUnknownsAndGeometry) {
    auto in = nets::one_branch();
    const Result r = set_up(*in);
    ASSERT_EQ(r.IERR, 0) << r.msg;
    const Netdsc& N = NETDSC;
    const Pipgeo& G = PIPGEO;
    EXPECT_EQ(N.NJUN, 0);
    EXPECT_EQ(N.ITYPBR(1), 0);
    EXPECT_EQ(G.NSECPP(1), 6);
    EXPECT_EQ(G.NSECPP(2), 3);
    EXPECT_EQ(G.NSEC, 9);
    EXPECT_EQ(G.NSECM1, 8);
    EXPECT_EQ(N.NSECBR(1), 9);
    EXPECT_EQ(N.ISECBR(1), 1);
    EXPECT_EQ(G.NEQ, 23);
    EXPECT_EQ(G.NEQL, 18);
    EXPECT_EQ(G.NEQG, 9);
    expect_near(col(N.ISEQ, 1, 9), {0, 3, 6, 9, 12, 15, 18, 21, 0}, 0, "ISEQ");
    expect_near(col(N.ISCNT, 1, 9), {0, 1, 2, 3, 4, 5, 6, 7, 0}, 0, "ISCNT");
    expect_near(col(N.IBEQ, 1, 9), {0, 1, 4, 7, 10, 13, 16, 19, 22}, 0, "IBEQ");
    expect_near(col(N.JBND, 1, 9), {0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, "JBND");
    expect_near(col(N.KSEC, 1, 9), {2, 0, 0, 0, 0, 0, 0, 0, -1}, 0, "KSEC");
    EXPECT_EQ(N.IBCODE(1, 1), 2);
    EXPECT_EQ(N.IBCODE(2, 1), 1);
    expect_near(col(G.IPIPE, 1, 9), {1, 1, 1, 1, 1, 1, 2, 2, 2}, 0, "IPIPE");
    expect_near(col(N.IPLBR, 1, 9), {0, 1, 2, 3, 4, 5, 6, 7, 8}, 0, "place in branch");
    // The inlet and end sections take their neighbour's length.
    expect_near(col(G.DX, 1, 9), {20, 20, 20, 20, 20, 20, 15, 15, 15}, TOL, "DX");
    expect_near(col(G.XFACE, 1, 9), {0, 20, 40, 60, 80, 100, 115, 130, 0}, TOL, "face distance");
    expect_near(col(G.XMID, 1, 9), {0, 10, 30, 50, 70, 90, 107.5, 122.5, 0}, TOL, "midpoint");
    expect_near(col(G.ZSEC, 1, 9), {-100, -94, -82, -70, -58, -46, -40, -40, 0}, TOL, "ZSEC");
    expect_near(col(G.SINANG, 1, 9), {0, -0.6f, -0.6f, -0.6f, -0.6f, -0.6f, 0, 0, 0}, TOL,
                "SINANG");
    expect_near(col(G.COSANG, 1, 9), {1, 0.8f, 0.8f, 0.8f, 0.8f, 0.8f, 1, 1, 1}, TOL, "COSANG");
    expect_near(col(G.SECAREA, 1, 9), {A03, A03, A03, A03, A03, A03, A02, A02, A02}, TOL,
                "SECAREA");
    // The join: the second pipe's first face carries the smaller pipe.
    EXPECT_FLOAT_EQ(G.AREA(7), A02);
    EXPECT_FLOAT_EQ(G.DBND(7), 0.2f);
    EXPECT_FLOAT_EQ(G.AREA(6), A03);
    // Widening ratios at the narrowing 0.3 -> 0.2 m face: EXPFAC =
    // A(7)/A(6) = 0.04/0.09, CFLFAC = min(A(6)/A(7), 1) = 1.
    expect_near(col(G.EXPFAC, 1, 9), {1, 1, 1, 1, 1, 1, 0.04f / 0.09f, 1, 1}, TOL, "EXPFAC");
    expect_near(col(G.CFLFAC, 1, 9), {1, 1, 1, 1, 1, 1, 1, 1, 1}, TOL, "CFLFAC");
    expect_near(col(G.IDPCHK, 1, 9), {0, 1, 1, 1, 1, 1, 1, 1, 1}, 0, "IDPCHK");
    EXPECT_FLOAT_EQ(G.ROUGH(1), 5.0e-5f);
    // Mode 4 (switch 0): wall coefficient per volume = U pi D / A = 4U/D.
    EXPECT_EQ(RUNCTL.ITEMP, 4);
    EXPECT_NEAR(G.QWV(2), 40.0f / 0.3f, 1e-3f);
    EXPECT_NEAR(G.QWV(8), 40.0f / 0.2f, 1e-3f);
    EXPECT_FLOAT_EQ(G.QWV(1), 0.0f);
    EXPECT_FLOAT_EQ(G.TAMBS(5), 4.0f);
    EXPECT_FLOAT_EQ(G.QWV(9), 0.0f);
}

// The devices of the one-branch network. By hand:
//  inlet cell 2 of area A03 = 0.0706858 m2; V = max(600 A, 5) = 600 A, so the
//  gas table is 600, 600, 5/A = 70.7355, 70.7355, 0, 0 kg/(m2 s) at 0, 1000,
//  1100, 300+11400, 11710 and 1e7 s.
//  outlet 3 bar < 5 bar: the 4-point ramp, PT of the end section 5 bar.
//  leak at 50 m: running sums 20, 40, 60 over sections 2, 3, 4 -> section 4.
TEST(SetupOneBranch, InletOutletChokeAndLeak) {
    auto in = nets::one_branch();
    const Result r = set_up(*in);
    ASSERT_EQ(r.IERR, 0) << r.msg;
    const Equipm& E = EQUIPM;
    ASSERT_EQ(E.NSOUR, 1);
    EXPECT_EQ(E.ISOUR(1), 2);
    ASSERT_EQ(E.NTSOUR(1), 6);
    expect_near(col([&](int k) { return E.TSOUR(k, 1); }, 1, 6),
                {0, 1000, 1100, 11700, 11710, 1.0e7f}, TOL, "source times");
    const float q = 5.0f / A03;
    expect_near(col([&](int k) { return E.GSOUR(k, 1); }, 1, 6), {600, 600, q, q, 0, 0}, TOL,
                "source gas flux");
    expect_near(col([&](int k) { return E.LSOUR(k, 1); }, 1, 6), {0, 0, 0, 0, 0, 0}, 0,
                "source liquid flux");
    EXPECT_FLOAT_EQ(E.TMSOUR(4, 1), 40.0f);
    EXPECT_FLOAT_EQ(E.WGSOUR(1), 600.0f);
    EXPECT_FLOAT_EQ(RUNCTL.TCLMAX, 11700.0f);
    EXPECT_EQ(NETDSC.INLFLG(1), 1);
    EXPECT_FLOAT_EQ(SECVAR.TM(1), 40.0f);
    EXPECT_FLOAT_EQ(SECVAR.AL(9), 0.0f);

    EXPECT_EQ(NETDSC.NPOUT, 4);
    expect_near(col(NETDSC.TPOUT, 1, 4), {0, 2000, 3000, 1.0e7f}, TOL, "outlet times");
    expect_near(col(NETDSC.PPOUT, 1, 4), {5e5f, 5e5f, 3e5f, 3e5f}, TOL, "outlet pressures");
    EXPECT_FLOAT_EQ(SECVAR.PT(9), 5.0e5f);

    ASSERT_EQ(E.NCHKL, 1);
    EXPECT_EQ(E.ICHSEC(1), 9);
    EXPECT_FLOAT_EQ(E.CHDIA(1), 0.2f);
    EXPECT_FLOAT_EQ(E.CHOKL(1), 0.0f);  // as wide as its face
    expect_near(col([&](int k) { return E.TCHOT(k, 1); }, 1, 4), {0, 11401, 11411, 1.0e7f}, TOL,
                "choke times");
    expect_near(col([&](int k) { return E.OCHOT(k, 1); }, 1, 4), {1, 1, 1, 1}, 0, "never closes");
    ASSERT_EQ(E.NCHKV, 1);
    EXPECT_EQ(E.IVBND(1), 9);
    EXPECT_EQ(E.IVDIR(1), 1);

    ASSERT_EQ(E.NLEAK, 1);
    EXPECT_EQ(E.ILKSEC(1), 4);
    EXPECT_EQ(E.ILKCTR(1), 99);
    EXPECT_FLOAT_EQ(E.PLKPB(2, 1), 2.0e5f);
    EXPECT_FLOAT_EQ(E.TLKPB(2, 1), 1.0e7f);

    // Device table: choke row 1, leak row 2; areas 0.7854 d^2.
    ASSERT_EQ(E.NCHOKE, 2);
    EXPECT_EQ(E.ICHSEC(2), 4);
    EXPECT_FLOAT_EQ(E.CHOAR(1), 0.7854f * 0.2f * 0.2f);
    EXPECT_NEAR(E.CHOAR(2), 0.0019635f, 1e-7f);
    EXPECT_FLOAT_EQ(E.CHOCD(1), 1.0f);
    EXPECT_FLOAT_EQ(E.CHOCD(2), 0.84f);
    EXPECT_EQ(E.CHOFLG(1), TRUE_);
    EXPECT_EQ(E.CHOFLG(2), FALSE_);
    EXPECT_EQ(E.ICHFST(1), TRUE_);
    EXPECT_EQ(E.ICHCOR(2), FALSE_);

    EXPECT_EQ(E.ISRMAP(2), 1);
    EXPECT_EQ(E.ICHMAP(9), 1);
    EXPECT_EQ(E.ILKMAP(4), 1);
    EXPECT_EQ(E.ICVMAP(9), 1);
    EXPECT_EQ(E.ISRMAP(3), 0);

    const Ctrtab& C = CTRTAB;
    ASSERT_EQ(C.NCTR, 1);
    EXPECT_EQ(C.ICTRNO(1), 99);
    EXPECT_EQ(C.ICTRTY(1), 5);
    EXPECT_FLOAT_EQ(C.CTRTC(1), 5.0f);
    ASSERT_EQ(C.NCTRT(1), 4);
    expect_near(col([&](int k) { return C.TCTR(k, 1); }, 1, 4), {0, 11390, 11400, 1.0e7f}, TOL,
                "set-point times");
    expect_near(col([&](int k) { return C.SCTR(k, 1); }, 1, 4), {0, 0, 1, 1}, 0, "set points");
}

// Tree 1, 2 -> junction 1 -> 3, one 100 m pipe each (see networks.h). By hand:
//  n = 5+1+1, 5+1+1, 5+1 = 7, 7, 6; sections 1-7, 8-14, 15-20; NSEC 20.
//  BRSECT: type 1 adds (3n-4, 2n-2, n-1) = (17, 12, 6) twice, type 3 adds
//  (3n-3, 2n, n) = (15, 12, 6): NEQ 49, NEQL 36, NEQG 18. Left junction rows:
//  branch 1 (17-2, 12-1, 6) = (15, 11, 6), branch 2 (32, 23, 12); the leaving
//  branch starts at (34+1, 24+1, 12+1).
//  EQNUM: section 9 follows branch 1's junction end: (17+3=20, 6, 16+2=18);
//  section 15 (role -1) only its pressure 33+2... = 35; section 20 boundary 48.
TEST(SetupThreeBranches, JunctionTablesAndNumbering) {
    auto in = nets::three_branches();
    const Result r = set_up(*in);
    ASSERT_EQ(r.IERR, 0) << r.msg;
    const Netdsc& N = NETDSC;
    const Pipgeo& G = PIPGEO;
    expect_near(col(N.ITYPBR, 1, 3), {1, 1, 3}, 0, "types");
    expect_near(col(N.NSECBR, 1, 3), {7, 7, 6}, 0, "sections per branch");
    expect_near(col(N.ISECBR, 1, 3), {1, 8, 14}, 0, "first sections");
    EXPECT_EQ(G.NSEC, 20);
    EXPECT_EQ(G.NEQ, 49);
    EXPECT_EQ(G.NEQL, 36);
    EXPECT_EQ(G.NEQG, 18);
    for (int s = 1; s <= 20; ++s) {
        const int want = (s == 7 || s == 14) ? 1 : (s == 15 ? -1 : 0);
        EXPECT_EQ(N.JBND(s), want) << "junction role of section " << s;
    }
    EXPECT_EQ(N.JSFRST(1, 1), 1);
    EXPECT_EQ(N.JSLAST(1, 1), 7);
    EXPECT_EQ(N.JSFRST(1, 2), 8);
    EXPECT_EQ(N.JSLAST(1, 2), 14);
    EXPECT_EQ(N.JSFRST(1, 3), 15);
    EXPECT_EQ(N.JSLAST(1, 3), 20);
    EXPECT_EQ(N.JGRP3(1, 1), 15);
    EXPECT_EQ(N.JGRP2(1, 1), 11);
    EXPECT_EQ(N.JGRP1(1, 1), 6);
    EXPECT_EQ(N.JGRP3(1, 2), 32);
    EXPECT_EQ(N.JGRP2(1, 2), 23);
    EXPECT_EQ(N.JGRP1(1, 2), 12);
    EXPECT_EQ(N.JOUT3(1), 35);
    EXPECT_EQ(N.JOUT2(1), 25);
    EXPECT_EQ(N.JOUT1(1), 13);
    EXPECT_EQ(N.IBROUT(1), 3);
    for (int u = 1; u <= 49; ++u)
        EXPECT_EQ(N.JROW3(u), (u >= 15 && u <= 17) || (u >= 32 && u <= 34) ? 1 : 0) << u;
    for (int u = 1; u <= 36; ++u)
        EXPECT_EQ(N.JROW2(u), (u == 11 || u == 12 || u == 23 || u == 24) ? 1 : 0) << u;
    for (int u = 1; u <= 18; ++u) EXPECT_EQ(N.JROW1(u), (u == 6 || u == 12) ? 1 : 0) << u;
    expect_near(col(N.ISEQ, 1, 20),
                {0, 3, 6, 9, 12, 15, 0, 0, 20, 23, 26, 29, 32, 0, 35, 38, 41, 44, 47, 0}, 0,
                "ISEQ");
    expect_near(col(N.IBEQ, 1, 20),
                {0, 1, 4, 7, 10, 13, 16, 0, 18, 21, 24, 27, 30, 33, 0, 36, 39, 42, 45, 48}, 0,
                "IBEQ");
    expect_near(col(N.ISCNT, 1, 20),
                {0, 1, 2, 3, 4, 5, 0, 0, 6, 7, 8, 9, 10, 0, 11, 12, 13, 14, 15, 0}, 0, "ISCNT");
    expect_near(col(N.KSEC, 1, 20), {2, 0, 0, 0, 0, 0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, -1},
                0, "KSEC");
    EXPECT_EQ(N.IBCODE(1, 1), 2);
    EXPECT_EQ(N.IBCODE(2, 1), 0);
    EXPECT_EQ(N.IBCODE(1, 3), 0);
    EXPECT_EQ(N.IBCODE(2, 3), 1);
}

// Geometry and devices of the tree. By hand:
//  branch 2 rises 60 m from -160 over 100 m: midpoints -154, -142, ..., -106;
//  its inlet section at ZBR0 = -160; junction-node and end sections at 0.
//  Junction ends: CFLFAC = A(last but one)/A(first behind the junction) =
//  0.09/0.16 = 0.5625 (branch 1) and 0.04/0.16 = 0.25 (branch 2), EXPFAC 1.
//  Sources in cells 2 and 9; inlet 1 never closes (4 points, TCLMAX not
//  raised by it), inlet 2 closes at 600 + 11400 s.
//  Outlet choke at section 20 of diameter 0.4 m; TCLOUT 600.7 -> closes over
//  12000 .. 12010 s. Leak 30 m into branch 3 (real sections from 15):
//  sums 20, 40 -> section 16.
TEST(SetupThreeBranches, GeometryAndDevices) {
    auto in = nets::three_branches();
    const Result r = set_up(*in);
    ASSERT_EQ(r.IERR, 0) << r.msg;
    const Pipgeo& G = PIPGEO;
    const Equipm& E = EQUIPM;
    expect_near(col(G.ZSEC, 8, 14), {-160, -154, -142, -130, -118, -106, 0}, TOL, "ZSEC branch 2");
    expect_near(col(G.ZSEC, 1, 7), {-100, -100, -100, -100, -100, -100, 0}, TOL, "ZSEC branch 1");
    expect_near(col(G.ZSEC, 15, 20), {-100, -100, -100, -100, -100, 0}, TOL, "ZSEC branch 3");
    expect_near(col(G.DX, 1, 20), std::vector<float>(20, 20.0f), TOL, "DX");
    EXPECT_NEAR(G.CFLFAC(7), 0.5625f, TOL);
    EXPECT_NEAR(G.CFLFAC(14), 0.25f, TOL);
    EXPECT_FLOAT_EQ(G.EXPFAC(7), 1.0f);
    EXPECT_FLOAT_EQ(G.EXPFAC(14), 1.0f);
    EXPECT_FLOAT_EQ(G.CFLFAC(8), 1.0f);   // inlet section
    EXPECT_FLOAT_EQ(G.CFLFAC(15), 1.0f);  // first behind the junction
    EXPECT_FLOAT_EQ(G.SINANG(15), 0.0f);
    EXPECT_NEAR(G.SINANG(9), -0.6f, TOL);
    EXPECT_FLOAT_EQ(G.SECAREA(15), A04);

    ASSERT_EQ(E.NSOUR, 2);
    EXPECT_EQ(E.ISOUR(1), 2);
    EXPECT_EQ(E.ISOUR(2), 9);
    EXPECT_EQ(E.NTSOUR(1), 4);
    expect_near(col([&](int k) { return E.TSOUR(k, 1); }, 1, 4), {0, 1000, 1100, 1.0e7f}, TOL,
                "never-closing inlet");
    expect_near(col([&](int k) { return E.GSOUR(k, 1); }, 1, 4), {600, 600, 4.0f / A03, 4.0f / A03},
                TOL, "never-closing inlet flux");
    EXPECT_EQ(E.NTSOUR(2), 6);
    EXPECT_FLOAT_EQ(E.TSOUR(4, 2), 12000.0f);
    EXPECT_FLOAT_EQ(RUNCTL.TCLMAX, 12000.0f);

    ASSERT_EQ(E.NCHKL, 1);
    EXPECT_EQ(E.ICHSEC(1), 20);
    EXPECT_FLOAT_EQ(E.CHDIA(1), 0.4f);
    expect_near(col([&](int k) { return E.TCHOT(k, 1); }, 1, 4), {0, 12000, 12010, 1.0e7f}, TOL,
                "choke times");
    expect_near(col([&](int k) { return E.OCHOT(k, 1); }, 1, 4), {1, 1, 0, 0}, 0, "choke closes");
    ASSERT_EQ(E.NCHKV, 1);
    EXPECT_EQ(E.IVBND(1), 20);
    EXPECT_EQ(E.ILKSEC(1), 16);
    EXPECT_EQ(E.ICHSEC(2), 16);
    EXPECT_EQ(E.NCHOKE, 2);
    // Interior faces: o+2 .. o+n of each branch (2-7, 9-14, 16-20).
    EXPECT_EQ(PIPGEO.IDPCHK(8), 0);
    EXPECT_EQ(PIPGEO.IDPCHK(14), 1);
    EXPECT_EQ(PIPGEO.IDPCHK(15), 0);
    EXPECT_EQ(PIPGEO.IDPCHK(16), 1);
}

// Outlet closing times: -1 never closes; 0.5 closes over 11401..11411 s;
// 600.7 over 12000..12010 s (whole seconds of the time after the leak opens).
TEST(SetupChoke, OpeningTableFollowsTheOutletClosingTime) {
    struct Case {
        float tclout;
        float t1;
        float shut;
    };
    for (const Case c : {Case{-1.0f, 11401, 1}, Case{0.5f, 11401, 0}, Case{600.7f, 12000, 0},
                         Case{1.0e30f, 1.0e9f + 11400, 0}}) {
        auto in = nets::one_branch();
        in->rec.bnd.TCLOUT = c.tclout;
        const Result r = set_up(*in);
        ASSERT_EQ(r.IERR, 0) << r.msg;
        EXPECT_FLOAT_EQ(EQUIPM.TCHOT(2, 1), c.t1) << c.tclout;
        EXPECT_FLOAT_EQ(EQUIPM.TCHOT(3, 1), c.t1 + 10.0f) << c.tclout;
        EXPECT_FLOAT_EQ(EQUIPM.OCHOT(3, 1), c.shut) << c.tclout;
        EXPECT_FLOAT_EQ(EQUIPM.OCHOT(4, 1), c.shut) << c.tclout;
    }
}

// Section counts from the pipe length: 24, 25, 30, 100, 480, 499, 500, 5000 m
// give 2, 2, 2, 5, 20, 20, 20, 20 (max(2, INT(L/25)+1) below 500 m, else 20);
// the single pipe of an inlet branch then gains two.
TEST(SetupSections, CountFromPipeLength) {
    struct Case {
        float len;
        int n;
    };
    for (const Case c : {Case{24, 2}, Case{25, 2}, Case{30, 2}, Case{100, 5}, Case{480, 20},
                         Case{499, 20}, Case{500, 20}, Case{5000, 20}}) {
        auto in = nets::one_branch();
        BRREC& br = in->rec.br[0];
        br.NPIPE = 1;
        nets::pipe(br, 1, 0.3f, 0.0f, -100.0f, c.len, -100.0f);
        in->rec.lek.LEKX = 0.0f;
        const Result r = set_up(*in);
        ASSERT_EQ(r.IERR, 0) << r.msg;
        EXPECT_EQ(PIPGEO.NSECPP(1), c.n + 2) << c.len;
        EXPECT_NEAR(PIPGEO.DX(2), c.len / c.n, 1e-3f) << c.len;
    }
}

// The 199-section limit: a single pipe of 197 given sections reaches 199
// with its inlet and end sections and passes; 198 gives 200 and is refused.
TEST(SetupSections, AtMost199Sections) {
    for (int nsect : {197, 198}) {
        auto in = nets::one_branch();
        BRREC& br = in->rec.br[0];
        br.NPIPE = 1;
        nets::pipe(br, 1, 0.3f, 0.0f, -100.0f, 5000.0f, -100.0f);
        br.PIPE[0].NSECT = nsect;
        char MSG[MSGLEN];
        int32_t IERR = 0;
        RDNET(in->rec.net, in->rec.br, in->rec.bnd, in->rec.lek, in->rec.pvt, in->ctl, IERR, MSG);
        if (nsect == 197) {
            EXPECT_EQ(IERR, 0) << msgtext(MSG, MSGLEN);
            EXPECT_EQ(PIPGEO.NSEC, 199);
        } else {
            EXPECT_EQ(IERR, 1);
            EXPECT_EQ(msgtext(MSG, MSGLEN),
                      "ERROR IN GROUP GEOMETRY - TOTAL NUMBER OF SECTIONS CAN NOT BE GREATER "
                      "THAN  199 YOUR PIPELINE SYSTEM GIVES  200 SECTIONS");
        }
    }
}

// Heat-transfer mode 0 (switch 1): wall layers. Steel thickness
// (2r - 0.2286) 0.014485 + 0.0127: 0.0127 m for D = 0.2286 m; for D = 0.3 m,
// 0.0127 + 0.0714*0.014485 = 0.013734. Coating: r2 = ro exp(0.167/ro/U).
TEST(SetupSections, WallLayersInModeZero) {
    auto in = nets::one_branch();
    in->ctl.NOTEMP = 1;
    in->rec.br[0].PIPE[1].DIAM = 0.2286f;
    in->rec.br[0].PIPE[1].HTC = -1.0f;
    const Result r = set_up(*in);
    ASSERT_EQ(r.IERR, 0) << r.msg;
    const Pipgeo& G = PIPGEO;
    EXPECT_EQ(RUNCTL.ITEMP, 0);
    EXPECT_NEAR(G.WTHK(1, 1), 0.0127f + 0.0714f * 0.014485f, 1e-6f);
    const double ro = 0.15 + (0.0127 + 0.0714 * 0.014485);
    EXPECT_NEAR(G.WTHK(2, 1), ro * std::exp(0.167 / ro / 10.0) - ro, 1e-5);
    EXPECT_EQ(G.NLAYR(1), 2);
    EXPECT_NEAR(G.WTHK(1, 2), 0.0127f, 1e-6f);
    EXPECT_EQ(G.NLAYR(2), 1);  // a negative coefficient has no coating
    EXPECT_EQ(G.NWALLT, 2);
    EXPECT_FLOAT_EQ(G.HTC0(3), 1000.0f);
    EXPECT_FLOAT_EQ(G.QWV(3), 0.0f);
    EXPECT_NEAR(G.WCIRC(1, 1), 3.141593f * 0.3f, 1e-5f);
}

// A second run of one branch after a run of three finds nothing of the first.
TEST(SetupRepeat, OneBranchAfterThreeBranches) {
    auto three = nets::three_branches();
    ASSERT_EQ(set_up(*three).IERR, 0);
    auto one = nets::one_branch();
    ASSERT_EQ(set_up(*one).IERR, 0);
    EXPECT_EQ(NETDSC.NBR, 1);
    EXPECT_EQ(NETDSC.ITYPBR(2), 0);
    EXPECT_EQ(NETDSC.NSECBR(3), 0);
    EXPECT_EQ(EQUIPM.NSOUR, 1);
    EXPECT_EQ(EQUIPM.ISOUR(2), 0);
    EXPECT_EQ(NETDSC.JGRP3(1, 1), 0);
    EXPECT_EQ(PIPGEO.NSEC, 9);
}
