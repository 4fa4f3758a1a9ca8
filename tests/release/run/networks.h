// Small networks for the set-up tests, built as the front end fills the
// release input record.
#pragma once

#include <cstring>
#include <memory>

#include "release/release.h"

namespace nets {

struct Input {
    ReleaseInput rec;
    ReleaseControl ctl;
    Input() {
        std::memset(&rec, 0, sizeof rec);
        std::memset(&ctl, 0, sizeof ctl);
        ctl.version = 2;
        rec.bnd.POUT = 1.0f;
        rec.bnd.TCLOUT = -1.0f;
        rec.lek.LEKPB = 1.0f;
    }
};

inline void pipe(BRREC& br, int p, float d, float x0, float z0, float x1, float z1,
                 float htc = 10.0f, float tamb = 4.0f) {
    PIPSEG& s = br.PIPE[p - 1];
    s.NSECT = 0;
    s.DIAM = d;
    s.ROUGH = 0.0f;
    s.HTC = htc;
    s.TAMB = tamb;
    s.XSTA = x0;
    s.ZSTA = z0;
    s.XEND = x1;
    s.ZEND = z1;
    if (p > br.NPIPE) br.NPIPE = p;
    if (p == 1) {
        br.XBR0 = x0;
        br.ZBR0 = z0;
    }
}

// One branch, two pipes: 0.3 m over 100 m rising 60 m, then 0.2 m over 30 m
// level. Inlet 5 kg/s at 40 C closing 300 s after the leak opens; outlet
// 3 bar, never closing; leak 50 m along the branch.
inline std::unique_ptr<Input> one_branch() {
    auto in = std::make_unique<Input>();
    ReleaseInput& r = in->rec;
    r.net.NBR = 1;
    pipe(r.br[0], 1, 0.3f, 0.0f, -100.0f, 80.0f, -40.0f);
    pipe(r.br[0], 2, 0.2f, 80.0f, -40.0f, 110.0f, -40.0f);
    r.bnd.QIN[0] = 5.0f;
    r.bnd.TIN[0] = 40.0f;
    r.bnd.TCLIN[0] = 300.0f;
    r.bnd.POUT = 3.0e5f;
    r.bnd.TCLOUT = -1.0f;
    r.lek.LEKTYP = 0;
    r.lek.LEKBR = 1;
    r.lek.LEKX = 50.0f;
    r.lek.LEKDIA = 0.05f;
    r.lek.LEKPB = 2.0e5f;
    return in;
}

// Branches 1 and 2 flow into junction 1, branch 3 leaves it for the outlet;
// one 100 m pipe each (0.3 m level, 0.2 m rising 60 m, 0.4 m level).
inline std::unique_ptr<Input> three_branches() {
    auto in = std::make_unique<Input>();
    ReleaseInput& r = in->rec;
    r.net.NBR = 3;
    r.net.NJUN = 1;
    r.net.NBJ[0] = 3;
    r.net.IBJ[0 + 3 * 0] = 1;
    r.net.IBJ[0 + 3 * 1] = 2;
    r.net.IBJ[0 + 3 * 2] = 3;
    pipe(r.br[0], 1, 0.3f, -200.0f, -100.0f, -100.0f, -100.0f);
    pipe(r.br[1], 1, 0.2f, -180.0f, -160.0f, -100.0f, -100.0f);
    pipe(r.br[2], 1, 0.4f, -100.0f, -100.0f, 0.0f, -100.0f);
    r.bnd.QIN[0] = 4.0f;
    r.bnd.QIN[1] = 3.0f;
    r.bnd.TIN[0] = 30.0f;
    r.bnd.TIN[1] = 35.0f;
    r.bnd.TCLIN[0] = -1.0f;
    r.bnd.TCLIN[1] = 600.0f;
    r.bnd.POUT = 6.0e5f;
    r.bnd.TCLOUT = 600.7f;
    r.lek.LEKBR = 3;
    r.lek.LEKX = 30.0f;
    r.lek.LEKDIA = 0.05f;
    r.lek.LEKPB = 2.0e5f;
    return in;
}

}  // namespace nets
