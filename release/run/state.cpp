// Definitions of the state areas and their reset at the start of every run.
#include "run/state.h"

#include <cstring>

namespace rel {

Runctl RUNCTL;
Netdsc NETDSC;
Pipgeo PIPGEO;
Secvar SECVAR;
Equipm EQUIPM;
Lekres LEKRES;
Pltctl PLTCTL;
Vartab VARTAB;
Iounit IOUNIT;
Ctrtab CTRTAB;
Cbksta CBKSTA;
Pvtcom PVTCOM;
Bandwk BANDWK;

void INICOM() {
    // Every number to 0 (the areas are plain data, so zero bytes are zeros).
    // PVTCOM keeps its tables and grids: UNPACK sets them in every run; only
    // its standard-condition values and the bubble points are reset here.
    std::memset(&RUNCTL, 0, sizeof RUNCTL);
    std::memset(&NETDSC, 0, sizeof NETDSC);
    std::memset(&PIPGEO, 0, sizeof PIPGEO);
    std::memset(&SECVAR, 0, sizeof SECVAR);
    std::memset(&EQUIPM, 0, sizeof EQUIPM);
    std::memset(&LEKRES, 0, sizeof LEKRES);
    std::memset(&PLTCTL, 0, sizeof PLTCTL);
    std::memset(&IOUNIT, 0, sizeof IOUNIT);
    std::memset(&CTRTAB, 0, sizeof CTRTAB);
    std::memset(&BANDWK, 0, sizeof BANDWK);
    std::memset(&VARTAB, ' ', sizeof VARTAB);
    PVTCOM.ROGST = PVTCOM.ROLST = PVTCOM.BETAST = PVTCOM.WFST = PVTCOM.WCUTV = 0.0f;
    PVTCOM.PVTOPT = 0;

    RUNCTL.IO = 1;
    RUNCTL.DPRRED = 0.01f;
    RUNCTL.DPRGRO = 0.0005f;
    RUNCTL.HTSAF = 0.75f;

    PIPGEO.ICFLON.fill(1);

    SECVAR.MAXERR = 0.0f;
    SECVAR.DTCFL = 1.0e6f;
    SECVAR.RETRAN.fill(2100.0f);
    SECVAR.FRMULT.fill(1.0f);
    SECVAR.SLAI(0) = 1.0f;
    SECVAR.ENTIN.fill(0.8f);

    PVTCOM.PBUB.fill(2.0e21f);

    EQUIPM.IVSFLG.fill(TRUE_);

    CTRTAB.ICTRNO.fill(-1);
    CTRTAB.ICTRTY.fill(-1);
    CTRTAB.IRESTR.fill(-1);

    IOUNIT.IUIN = 10;
    IOUNIT.IULOG = 77;
    IOUNIT.NBVAR = 30;
    IOUNIT.NSHORT = 260;
    for (int k = 1; k <= 6; ++k) IOUNIT.IUNET(k) = 10 + k;
    IOUNIT.IUDMP = 19;
    // --- setup ---
    NETDSC.IBNDMK = 1;
    // --- pvt ---
    // --- output ---
    // --- step ---
    // --- devices ---
    // --- mass ---
    PVTCOM.GORSTD = 0.0f;
    // --- deck ---
    std::memset(RUNCTL.TITLE, ' ', sizeof RUNCTL.TITLE);
    std::memset(PLTCTL.PRVNAM, ' ', sizeof PLTCTL.PRVNAM);
}

}  // namespace rel
