// Helpers shared by the model-layer tests: a temporary folder and a small
// hand-built network record.
#pragma once

#include "release_input.h"

#include <QTemporaryDir>

#include <memory>

namespace model_test {

// One branch from an inlet at 150 m depth to the outlet at 125 m: two pipes
// of 1000 m horizontal length, 10-inch bore, leak 1500 m from the inlet.
// Inlet rate 1000 per day (scaled by the fluid step), end time 600 s.
inline std::unique_ptr<orvane::ReleaseInput> OneBranchRecord() {
    auto r = std::make_unique<orvane::ReleaseInput>();
    r->net.NBR = 1;
    BRREC& b = r->br[0];
    b.NPIPE = 2;
    const float x[3] = {-2000.0f, -1000.0f, 0.0f}, z[3] = {-150.0f, -140.0f, -125.0f};
    for (int i = 0; i < 2; ++i) {
        PIPSEG& p = b.PIPE[i];
        p.DIAM = 0.254f;
        p.ROUGH = 5e-5f;
        p.HTC = 20.0f;
        p.TAMB = 4.0f;
        p.XSTA = x[i];
        p.ZSTA = z[i];
        p.XEND = x[i + 1];
        p.ZEND = z[i + 1];
    }
    b.XBR0 = x[0];
    b.ZBR0 = z[0];
    r->bnd.QIN[0] = 1000.0f;
    r->bnd.TIN[0] = 60.0f;
    r->bnd.TCLIN[0] = 600.0f;
    r->bnd.POUT = 2.0e6f;
    r->bnd.TCLOUT = 300.0f;
    r->lek.LEKBR = 1;
    r->lek.LEKX = 1500.0f;
    r->lek.LEKDIA = 0.05f;
    r->lek.LEKPB = 1.51e6f;
    return r;
}

}  // namespace model_test
