// The input listing of a deck on the log unit, the section coordinates of
// the profile plot and the network list on unit 13.
#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

#include "deck/deck.h"
#include "deck/record_input.h"
#include "rt/fortio.h"
#include "run/state.h"

namespace rel {

using rt::fF;
using rt::fG;
using rt::fI;

namespace {

void out(const std::string& line) {
    rt::write_line(IOUNIT.IULOG, line.empty() ? line : " " + line);
}

int32_t boundary_sections(int32_t b) {
    const int32_t t = NETDSC.ITYPBR(b);
    return (t == 0 || t == 1) ? 2 : 1;
}

int32_t sections_before(int32_t b) {
    int32_t off = 0;
    for (int32_t k = 1; k < b; ++k) off += NETDSC.NSECBR(k);
    return off;
}

int32_t pipes_before(int32_t b) {
    int32_t off = 0;
    for (int32_t k = 1; k < b; ++k) off += NETDSC.NPIPBR(k);
    return off;
}

// Branch holding a cell (its sections after those of the earlier branches).
int32_t branch_of(int32_t cell) {
    int32_t off = 0;
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        if (cell > off && cell <= off + NETDSC.NSECBR(b)) return b;
        off += NETDSC.NSECBR(b);
    }
    return 0;
}

// Local section of a cell in branch b.
int32_t local_section(int32_t b, int32_t cell) {
    return cell - sections_before(b) - boundary_sections(b) + 1;
}

// Sections of a pipe less the boundary sections it holds at the branch ends.
int32_t inner_pipe_sections(int32_t b, int32_t place) {
    const int32_t np = NETDSC.NPIPBR(b), t = NETDSC.ITYPBR(b);
    int32_t n = PIPGEO.NSECPP(pipes_before(b) + place);
    if (place == 1 && (t == 0 || t == 1)) --n;
    if (place == np) --n;
    return n;
}

void branch_header(int32_t b) {
    out("");
    out("BRANCH NO." + fI(b, 3));
    out("-------------");
}

void header(int g) {
    out("");
    out("");
    out("");
    out("DATA GROUP " + fI(g, 2) + "  " + deck::GROUP_NAMES[g - 1]);
    out(std::string(21, '*'));
}

void print_temperature() {
    switch (RUNCTL.IHTDK) {
        case 0:
            out("NO TEMPERATURE OR WALL CALCULATION");
            break;
        case 1:
            out("TEMPERATURE, BUT NO WALL CALCULATION");
            break;
        case 2:
            out("BOTH FLUID AND WALL TEMPERATURE CALCULATION");
            break;
        case 3:
            out("TEMPERATURE CALCULATION WITH HEAT TRANSFER TROUGH PIPE WALLS");
            break;
        case 4:
            out("TEMPERATURE CALCULATION WITH GIVEN COEFFICIENTS FOR HEAT LOSS THROUGH PIPE WALLS");
            out(std::string(60, '*'));
            out("*  THIS OPTION IS IN PRINCIPLE VALID FOR STEADY-STATE      *");
            out("*  CALCULATIONS ONLY                                       *");
            out(std::string(60, '*'));
            break;
        default:
            break;
    }
}

void print_network() {
    out("THIS NETWORK CONSISTS OF" + fI(NETDSC.NBR, 3) + " BRANCHES");
    out("");
    out("BRANCH  COMPONENT  FLUID IDENTIFICATION");
    for (int32_t b = 1; b <= NETDSC.NBR; ++b)
        out(fI(b, 6) + fI(1, 11) + "  " + std::string(40, ' '));
    for (int32_t j = 1; j <= NETDSC.NJUN; ++j) {
        out("");
        out("JUNCTION NO." + fI(j, 3));
        out("NUMBER OF BRANCHES:" + fI(NETDSC.NBJ(j), 3));
        std::string l = "BRANCH NUMBERS:    ";
        for (int32_t k = 1; k <= NETDSC.NBJ(j) && k <= MXBJ; ++k) l += fI(NETDSC.IBJ(j, k), 4);
        out(l);
    }
}

void print_geometry() {
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        branch_header(b);
        out("PIPE  NO. OF SECTIONS  DIAMETER (M)     X END (M)     Z END (M)");
        const int32_t p0 = pipes_before(b);
        for (int32_t i = 1; i <= NETDSC.NPIPBR(b); ++i) {
            const int32_t p = p0 + i;
            out(fI(i, 4) + fI(PIPGEO.NSECPP(p), 18) + fG(PIPGEO.DIAM(p), 14, 4) +
                fG(PIPGEO.XYZEND(1, p), 14, 4) + fG(PIPGEO.XYZEND(2, p), 14, 4));
        }
        out("");
        out("PIPE  SECTION  SECTION BOUNDARY  SECTION LENGTH (M)     EPSABS(I)");
        const int32_t s0 = sections_before(b);
        for (int32_t c = s0 + 1; c <= s0 + NETDSC.NSECBR(b); ++c) {
            const int32_t p = PIPGEO.IPIPE(c);
            out(fI(p - p0, 4) + fI(c - s0, 9) + fI(c, 18) + fG(PIPGEO.DX(c), 20, 4) +
                fG(p >= 1 && p <= MXPIPE ? PIPGEO.ROUGH(p) : 0.0f, 14, 4));
        }
        out("");
        out("EQUIVALENT PIPES/ANNULUS FLOW :");
        out("PIPE  NO. OF SECTIONS         DD(I)      DPHYD(I)");
        for (int32_t i = 1; i <= NETDSC.NPIPBR(b); ++i) {
            const int32_t p = p0 + i;
            out(fI(i, 4) + fI(PIPGEO.NSECPP(p), 18) + fG(PIPGEO.DIAM(p), 14, 4) +
                fG(PIPGEO.DIAM(p), 14, 4));
        }
    }
}

void print_sources(int32_t b) {
    for (int32_t k = 1; k <= std::min(EQUIPM.NSOUR, MXSRC); ++k) {
        const int32_t c = EQUIPM.ISOUR(k);
        if (branch_of(c) != b) continue;
        out("");
        out("SOURCE NO." + fI(k, 3) + "   SECTION" + fI(local_section(b, c), 4));
        out("TIME POINT      TIME (S)  GAS MASS FLOW (KG/S)  LIQUID MASS FLOW (KG/S)");
        const float a = PIPGEO.SECAREA(c);
        for (int32_t i = 1; i <= EQUIPM.NTSOUR(k); ++i)
            out(fI(i, 10) + fG(EQUIPM.TSOUR(i, k), 14, 4) + fG(EQUIPM.GSOUR(i, k) * a, 22, 4) +
                fG(EQUIPM.LSOUR(i, k) * a, 25, 4));
    }
}

void print_boundary() {
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        branch_header(b);
        for (int32_t ib = 1; ib <= 2; ++ib) {
            if (NETDSC.IVDFLG(ib, b) != 1) continue;
            out(std::string(ib == 1 ? "LEFT" : "RIGHT") + " BOUNDARY");
            if (NETDSC.IVDMOD(ib, b) == 0) {
                out("TIME POINT      TIME (S)  VOID FRACTION   (-)");
                for (int32_t i = 1; i <= NETDSC.NVDT(ib, b); ++i)
                    out(fI(i, 10) + fG(NETDSC.TVDT(i, ib, b), 14, 4) +
                        fG(NETDSC.AVDT(i, ib, b), 20, 4));
            } else {
                std::string l = "VOID FRACTION   (-) BY CONTROLLERS:";
                for (int32_t i = 1; i <= NETDSC.NVDCTR(ib, b); ++i)
                    l += fI(NETDSC.IVDCTR(i, ib, b), 4);
                out(l);
                out("BETWEEN" + fG(EQUIPM.ALBMIN(ib, b), 12, 4) + " AND" +
                    fG(EQUIPM.ALBMAX(ib, b), 12, 4));
            }
        }
        print_sources(b);
    }
}

void print_valves(bool leak) {
    const int32_t n = leak ? std::min(EQUIPM.NLEAK, MXLEK) : std::min(EQUIPM.NVSRC, MXVSRC);
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        std::vector<int32_t> in;
        for (int32_t k = 1; k <= n; ++k)
            if (branch_of(leak ? EQUIPM.ILKSEC(k) : EQUIPM.IVSSEC(k)) == b) in.push_back(k);
        if (in.empty()) continue;
        branch_header(b);
        out(leak ? "NO.  SECTION  DISCH. COEFF.  MAX. DIAM. (M)  LEAK NO.  CHOKE TYPE"
                 : "NO.  SECTION  DISCH. COEFF.  MAX. DIAM. (M)  CONTROLLER  GAS MASS RATIO  CHOKE "
                   "TYPE");
        for (int32_t k : in) {
            if (leak)
                out(fI(k, 3) + fI(local_section(b, EQUIPM.ILKSEC(k)), 9) +
                    fG(EQUIPM.CDLEAK(k), 15, 4) + fG(EQUIPM.DLEAK(k), 17, 4) +
                    fI(EQUIPM.ILKCTR(k), 10) + fI(is_true(EQUIPM.ILKFLG(k)) ? 1 : 0, 12));
            else
                out(fI(k, 3) + fI(local_section(b, EQUIPM.IVSSEC(k)), 9) +
                    fG(EQUIPM.CDVSRC(k), 15, 4) + fG(EQUIPM.DVSRC(k), 17, 4) +
                    fI(EQUIPM.ICTSOV(k), 12) + fG(EQUIPM.RSOVA(k), 16, 4) +
                    fI(is_true(EQUIPM.ICHSOV(k)) ? 1 : 0, 12));
        }
        out("");
        out(leak ? "NO.  SECTION  TIME POINT      TIME (S)  PRESSURE (N/M2)"
                 : "NO.  SECTION  TIME POINT      TIME (S)  PRESSURE (N/M2)  TEMPERATURE (DEG C)");
        for (int32_t k : in) {
            const int32_t c = leak ? EQUIPM.ILKSEC(k) : EQUIPM.IVSSEC(k);
            const int32_t nt = leak ? EQUIPM.NLKPB(k) : EQUIPM.NTSOVA(k);
            for (int32_t i = 1; i <= nt; ++i) {
                if (leak)
                    out(fI(k, 3) + fI(local_section(b, c), 9) + fI(i, 12) +
                        fG(EQUIPM.TLKPB(i, k), 14, 4) + fG(EQUIPM.PLKPB(i, k), 17, 4));
                else
                    out(fI(k, 3) + fI(local_section(b, c), 9) + fI(i, 12) +
                        fG(EQUIPM.TSOVT(i, k), 14, 4) + fG(EQUIPM.PSOVT(i, k), 17, 4) +
                        fG(EQUIPM.TMSOVT(i, k), 21, 4));
            }
        }
    }
}

void print_controllers() {
    out("NUMBER OF CONTROLLERS DEFINED: " + fI(CTRTAB.NCTR, 3));
    for (int32_t k = 1; k <= std::min(CTRTAB.NCTR, MXCTR); ++k) {
        out("");
        out("CONTROLLER NO. " + fI(CTRTAB.ICTRNO(k), 3));
        out("------------------");
        out("TYPE:  OPERATOR (5)");
    }
}

void print_profile() {
    out("NUMBER OF DIFFERENT VARIABLES TO BE PLOTTED    : " + fI(PLTCTL.NPRVAR, 4));
    out("NUMBER OF PROFILE PLOT TIME POINTS             : " + fI(PLTCTL.NPRTIM, 4));
    out("PROFILE PLOT TIME POINTS (S) :");
    for (int32_t i = 1; i <= PLTCTL.NPRTIM; ++i) out(fG(PLTCTL.TPRTIM(i), 14, 4));
    SECXYZ();
    out("");
    out("PROFILE PLOT VARIABLES: ");
    for (int32_t k = 1; k <= PLTCTL.NPRVAR; ++k) {
        out(std::string(PLTCTL.PRVNAM[k - 1], 6));
        for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
            bool has = false;
            for (int32_t m = 1; m <= PLTCTL.NPRBR(b); ++m) has = has || PLTCTL.IPRBRI(m, b) == k;
            if (!has) continue;
            const int32_t s0 = sections_before(b), R = boundary_sections(b);
            int32_t first = 0, last = 0, found = 0;
            SECRNG(k, 0, s0 + 1, s0 + NETDSC.NSECBR(b), first, last, found);
            std::string l = "       BRANCH: " + fI(b, 3) + "   SECTION NR:      ";
            if (!is_true(found)) {
                out(l);
                continue;
            }
            const int32_t used = last - first + 1;
            const int32_t v = PLTCTL.IPRVID(k);
            const bool boundary_var = v <= 35 || v == 40 || v == 43 || v == 44 || v == 54;
            const int32_t all = NETDSC.NSECBR(b) - R + (boundary_var ? 1 : 0);
            if (used == all) {
                out(l + "ALL");
                continue;
            }
            int32_t on_line = 0;
            for (int32_t j = first; j <= last; ++j) {
                l += fI(local_section(b, PLTCTL.IPCELL(j, k)), 6);
                if (++on_line == 7 && j < last) {
                    out(l);
                    l = std::string(38, ' ');
                    on_line = 0;
                }
            }
            out(l);
        }
    }
}

}  // namespace

void RDINPT() {
    const int log = IOUNIT.IULOG;
    rt::write_line(log, "\f");
    out("***********************  INPUT FILE 1  ***********************");
    auto& F = IOUNIT.IGRPFL;
    auto given = [&](int g) { return is_true(F(g)); };
    static const int order[] = {1,  2,  3,  4,  14, 5,  6,  7,  8,  9,  10, 11, 12, 13, 15,
                                17, 18, 19, 23, 25, 27, 28, 29, 30, 31, 32, 33, 34, 39, 40};
    for (int g : order) {
        if (!given(g)) continue;
        if (g == 15 || (g >= 30 && g <= 34)) {
            rt::write_line(log, " DATA GROUP " + std::to_string(g) + " IS UNUSED !");
            continue;
        }
        header(g);
        switch (g) {
            case 1:
                out(std::string(rt::trim(std::string_view(RUNCTL.TITLE, 80))));
                break;
            case 2:
                out("THIS RUN RESTARTS FROM A GIVEN FILE (UNIT NT11)");
                break;
            case 3:
                for (int32_t b = 1; b <= NETDSC.NBR; ++b) branch_header(b);
                break;
            case 4:
                print_temperature();
                break;
            case 14:
                print_network();
                break;
            case 5:
                print_geometry();
                break;
            case 7:
                if (RUNCTL.IHTDK != 2 && RUNCTL.IHTDK != 3) {
                    out("THE GIVEN WALL SPECIFICATION IS IGNORED ");
                    out("AS THERE IS NO TEMPERATURE CALCULATION  ");
                    out("WITH HEAT TRANSFER THROUGH PIPE WALLS   ");
                }
                break;
            case 9:
                print_boundary();
                break;
            case 13:
                out("SOME OF THE INPUT GROUPS, OR THE FLUID PROPERTIES");
                out("WILL NOT BE PRINTED");
                break;
            case 17:
                out("THE INITIAL VALUE (STEADY STATE) PREPROCESSOR");
                out("HAS BEEN TURNED OFF");
                break;
            case 18:
                out("INPUT PREPROCESSOR OFF,");
                out("REFLEX OF INPUT WAS WRITTEN READ-STATEMENT BY READ-STATEMENT");
                out("TO THE OUTPUT FILE");
                break;
            case 19:
                out("THE POSTPROCESSOR HAS BEEN TURNED ON");
                break;
            case 23:
                print_controllers();
                break;
            case 27:
                print_valves(false);
                break;
            case 29:
                print_valves(true);
                break;
            case 39:
                print_profile();
                break;
            case 40:
                out("*******************  END OF INPUT FILE 1  *******************");
                break;
            default:
                break;
        }
    }
}

void SECRNG(int32_t K, int32_t ISTART, int32_t LO, int32_t HI, int32_t& IFIRST, int32_t& ILAST,
            int32_t& FOUND) {
    IFIRST = ILAST = 0;
    FOUND = FALSE_;
    const int32_t n = std::min(PLTCTL.NPCELL(K), Pltctl::MXPCEL);
    int32_t j = ISTART + 1;
    while (j <= n && PLTCTL.IPCELL(j, K) < LO) ++j;
    for (; j <= n; ++j) {
        const int32_t c = PLTCTL.IPCELL(j, K);
        if (c > HI) break;
        if (!IFIRST) IFIRST = j;
        ILAST = j;
        FOUND = TRUE_;
    }
}

void SECXYZ() {
    PLTCTL.NPRPT = 0;
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        const int32_t s0 = sections_before(b), ns = NETDSC.NSECBR(b), R = boundary_sections(b);
        float p0[3] = {NETDSC.XYZBR(1, b), NETDSC.XYZBR(2, b), NETDSC.XYZBR(3, b)};
        float pe[3] = {p0[0], p0[1], p0[2]};
        int32_t pipe = 0;
        float acc = 0.0f, len = 1.0f;
        auto at = [&](float dist, float* x) {
            const float f = len > 0.0f ? dist / len : 0.0f;
            for (int k = 0; k < 3; ++k) x[k] = p0[k] + f * (pe[k] - p0[k]);
        };
        for (int32_t s = 1; s <= ns - R + 1; ++s) {
            const int32_t cell = s0 + R + s - 1;
            float xv[3], xb[3];
            if (s <= ns - R) {
                const int32_t p = PIPGEO.IPIPE(cell);
                if (p != pipe) {
                    if (pipe)
                        for (int k = 0; k < 3; ++k) p0[k] = PIPGEO.XYZEND(k + 1, pipe);
                    pipe = p;
                    for (int k = 0; k < 3; ++k) pe[k] = PIPGEO.XYZEND(k + 1, p);
                    len = PIPGEO.PLEN(p);
                    acc = 0.0f;
                }
                at(acc, xb);
                at(acc + 0.5f * PIPGEO.DX(cell), xv);
                acc += PIPGEO.DX(cell);
            } else {
                at(acc, xb);
                for (int k = 0; k < 3; ++k) xv[k] = xb[k];
            }
            if (PLTCTL.NPRPT >= Pltctl::MXPCEL) return;
            const int32_t j = ++PLTCTL.NPRPT;
            PLTCTL.IPRPBR(j) = b;
            PLTCTL.IPRPSE(j) = s;
            for (int k = 0; k < 3; ++k) {
                PLTCTL.XYZPRF(k + 1, j) = xv[k];
                PLTCTL.XYZPRF(k + 4, j) = xb[k];
            }
        }
    }
}

void RDNETW() {
    const int u = 13;
    rt::write_line(u, rt::list("NETWORK        "));
    rt::write_line(u, rt::list(static_cast<int>(NETDSC.NBR)));
    rt::write_line(u, rt::list(static_cast<int>(NETDSC.NJUN)));
    if (NETDSC.NJUN > 0) {
        std::string l;
        for (int32_t j = 1; j <= NETDSC.NJUN; ++j) l += rt::list(static_cast<int>(NETDSC.NBJ(j)));
        rt::write_line(u, l);
        for (int32_t j = 1; j <= NETDSC.NJUN; ++j) {
            std::string m;
            for (int32_t k = 1; k <= NETDSC.NBJ(j) && k <= MXBJ; ++k)
                m += rt::list(static_cast<int>(NETDSC.IBJ(j, k)));
            rt::write_line(u, m);
        }
    }
    rt::write_line(u, rt::list("GEOMETRY       "));
    rt::write_line(u, rt::list(2));
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        const int32_t p0 = pipes_before(b), np = NETDSC.NPIPBR(b);
        const int32_t s0 = sections_before(b), ns = NETDSC.NSECBR(b), R = boundary_sections(b);
        rt::write_line(u, rt::list(static_cast<int>(np)));
        rt::write_line(u, rt::list(NETDSC.XYZBR(1, b), NETDSC.XYZBR(2, b), NETDSC.XYZBR(3, b)));
        std::string ends, diam, nsec, dx;
        for (int32_t i = 1; i <= np; ++i) {
            const int32_t p = p0 + i;
            ends += rt::list(PIPGEO.XYZEND(1, p), PIPGEO.XYZEND(2, p), PIPGEO.XYZEND(3, p));
            diam += rt::list(PIPGEO.DIAM(p));
            nsec += rt::list(static_cast<int>(inner_pipe_sections(b, i)));
        }
        rt::write_line(u, ends);
        rt::write_line(u, diam);
        rt::write_line(u, nsec);
        const int32_t inner = ns - 1 - R;
        rt::write_line(u, rt::list(static_cast<int>(inner)));
        for (int32_t c = s0 + R; c < s0 + R + inner; ++c) dx += rt::list(PIPGEO.DX(c));
        rt::write_line(u, dx);
    }
}

}  // namespace rel
