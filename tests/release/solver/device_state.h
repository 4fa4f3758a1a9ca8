// Synthetic states for the device routines: one pipe of five sections with the
// outlet choke at boundary 5 (row 1 of the flow-restriction table), one leak
// in section 3 (row 2) on controller 99, and a fluid the test defines.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "run/errors.h"
#include "run/state.h"
#include "solver/devices.h"

namespace devtest {

using namespace rel;

constexpr int LEAK_SEC = 3;
constexpr int LEAK_ROW = 2;

// The fluid the lookup returns: gas density from the ideal-gas law, a liquid
// of fixed density, a fixed equilibrium gas fraction. Pressures below PMIN fail
// as the table lookup does.
struct FakeFluid {
    float R = 518.3f;    // J/(kg K)
    float ROL = 800.0f;  // kg/m3
    float RS = 0.3f;
    float CPG = 2226.0f, CPL = 2000.0f;
    float PMIN = 2.0e4f;  // Pa
    int calls = 0;
    float lastP = 0.0f, lastT = 0.0f;
};
inline FakeFluid fluid;

inline void fake_lookup(float P, float T, PvtOut& out, int32_t& IERR, char* MSG, int32_t MSGLEN) {
    ++fluid.calls;
    fluid.lastP = P;
    fluid.lastT = T;
    if (P < fluid.PMIN) {
        refuse(IERR, MSG, MSGLEN, "PRESSURE TOO LOW.");
        return;
    }
    const float TK = T + 273.15f;
    out = PvtOut{};
    out.ROG = P / (fluid.R * TK);
    out.DRGP = out.ROG / P;
    out.DRGT = -out.ROG / TK;
    out.ROL = fluid.ROL;
    out.DRLP = 1.0e-6f;
    out.RS = fluid.RS;
    out.CPG = fluid.CPG;
    out.CPL = fluid.CPL;
    out.HG = fluid.CPG * T;
    out.HL = fluid.CPL * T;
    out.SIG = 0.02f;
    out.VISG = 1.0e-5f;
    out.VISL = 1.0e-3f;
}

// Fixture of the device tests: whatever fluid and iteration limit a test puts
// in, the library's own are back in place when it ends, so that tests that
// run after it in the same process see the library as it is.
class DeviceTest : public ::testing::Test {
protected:
    void TearDown() override {
        device_lookup = lookup_;
        choke_iteration_limit = limit_;
    }

private:
    PointLookup lookup_ = device_lookup;
    int32_t limit_ = choke_iteration_limit;
};

inline std::string message(const char* MSG) { return msgtext(MSG, MSGLEN); }

// The state after set-up, with the leak fully open (controller output 1 at both
// ends of the step) and the section full of liquid at 1e7 Pa over a back
// pressure of 9e6 Pa.
inline void base_state() {
    INICOM();
    fluid = FakeFluid{};
    device_lookup = fake_lookup;
    choke_iteration_limit = 100;
    RUNCTL.TIME = 12000.0;
    RUNCTL.HT = 1.0;
    PIPGEO.NSEC = 5;
    NETDSC.NBR = 1;
    NETDSC.ISECBR(1) = 1;
    NETDSC.KSEC(1) = 2;
    NETDSC.KSEC(5) = -1;
    const float D = 0.3f;
    for (int i = 0; i <= MXB; ++i) {
        PIPGEO.AREA(i) = 0.7854f * D * D;
        PIPGEO.DX(i) = 100.0f;
    }
    for (int s = 1; s <= 5; ++s) {
        SECVAR.PT(s) = 1.0e7f;
        SECVAR.TM(s) = 50.0f;
        SECVAR.ROG(s) = 80.0f;
        SECVAR.ROL(s) = 800.0f;
        SECVAR.DRLP(s) = 1.0e-6f;
        SECVAR.DRGP(s) = 80.0f / (1.3f * 1.0e7f);
        SECVAR.CPG(s) = 2226.0f;
        SECVAR.CPL(s) = 2000.0f;
        SECVAR.ML(s) = 800.0f;
        SECVAR.MLT(s) = 800.0f;
    }

    // outlet choke, row 1
    EQUIPM.NCHKL = 1;
    EQUIPM.ICHCTR(1) = -1;
    EQUIPM.NCHOT(1) = 4;
    const float tt[4] = {0.0f, 12000.0f, 12010.0f, 1.0e7f}, oo[4] = {1.0f, 1.0f, 0.0f, 0.0f};
    for (int k = 1; k <= 4; ++k) {
        EQUIPM.TCHOT(k, 1) = tt[k - 1];
        EQUIPM.OCHOT(k, 1) = oo[k - 1];
    }
    EQUIPM.ICHSEC(1) = 5;
    EQUIPM.CHOAR(1) = 0.7854f * D * D;
    EQUIPM.CHOCD(1) = 1.0f;
    EQUIPM.CHOFLG(1) = TRUE_;
    EQUIPM.ICHFST(1) = TRUE_;

    // leak, row 2
    EQUIPM.NLEAK = 1;
    EQUIPM.NCHOKE = 2;
    EQUIPM.ILKSEC(1) = LEAK_SEC;
    EQUIPM.DLEAK(1) = 0.05f;
    EQUIPM.CDLEAK(1) = 0.84f;
    EQUIPM.ILKCTR(1) = 99;
    EQUIPM.NLKPB(1) = 2;
    EQUIPM.TLKPB(1, 1) = 0.0f;
    EQUIPM.TLKPB(2, 1) = 1.0e7f;
    EQUIPM.PLKPB(1, 1) = 9.0e6f;
    EQUIPM.PLKPB(2, 1) = 9.0e6f;
    EQUIPM.ICHSEC(LEAK_ROW) = LEAK_SEC;
    EQUIPM.CHOAR(LEAK_ROW) = 0.7854f * 0.05f * 0.05f;
    EQUIPM.CHOCD(LEAK_ROW) = 0.84f;

    // controller 99
    CTRTAB.NCTR = 1;
    CTRTAB.ICTRNO(1) = 99;
    CTRTAB.ICTRTY(1) = 5;
    CTRTAB.CTRTC(1) = 5.0f;
    CTRTAB.IRESTR(1) = FALSE_;
    CTRTAB.NCTRT(1) = 4;
    const float ts[4] = {0.0f, 11390.0f, 11400.0f, 1.0e7f}, ss[4] = {0.0f, 0.0f, 1.0f, 1.0f};
    for (int k = 1; k <= 4; ++k) {
        CTRTAB.TCTR(k, 1) = ts[k - 1];
        CTRTAB.SCTR(k, 1) = ss[k - 1];
    }
    CTRTAB.CONTR(1) = 1.0f;
    CTRTAB.CTROLD(1) = 1.0f;

    // reference and standard-condition values of the fluid
    LEKRES.ROGLK = 60.0f;
    LEKRES.ROLLK = 820.0f;
    PVTCOM.ROGST = 0.8f;
    PVTCOM.ROLST = 850.0f;
    PVTCOM.BETAST = 0.2f;
    PVTCOM.WFST = 0.1f;
}

// The leak section holding only gas, an ideal gas of polytropic exponent n
// (cp = n R/(n-1), so that the section's derivatives give n back).
inline void dry_ideal_gas(float n, float P0 = 1.0e7f, float T0 = 50.0f, float R = 518.3f) {
    const int s = LEAK_SEC;
    const float TK = T0 + 273.15f;
    const float rho = P0 / (R * TK);
    SECVAR.PT(s) = P0;
    SECVAR.TM(s) = T0;
    SECVAR.ROG(s) = rho;
    SECVAR.DRGP(s) = rho / P0;
    SECVAR.DRGT(s) = -rho / TK;
    SECVAR.CPG(s) = n * R / (n - 1.0f);
    SECVAR.MG(s) = rho;
    SECVAR.ML(s) = SECVAR.MD(s) = SECVAR.MLT(s) = 0.0f;
}

}  // namespace devtest
