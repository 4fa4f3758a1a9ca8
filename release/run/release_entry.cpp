// RELEASE: one discharge run, from the caller's input blocks to the result
// file, the run log and the 11 summary numbers.
//
// The order of work is fixed: reset, copy and check the network, build the
// sections and unknowns, fluid tables, run schedule, initial state, inlets,
// devices and result curves; then open the files, run the time loop with the
// progress callback, and on success return the summary and close the log
// with its tail. Every refusal comes back through IERR and MSG; nothing ends
// the calling process.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "release/release.h"
#include "rt/fortio.h"
#include "run/constants.h"
#include "run/entry_scope.h"
#include "run/errors.h"
#include "pvt/pvt.h"
#include "run/farray.h"
#include "run/routines.h"
#include "run/setup.h"
#include "run/state.h"
#include "run/time_loop.h"

namespace rel {

namespace {
Netdsc& N = NETDSC;
Pipgeo& G = PIPGEO;
Equipm& E = EQUIPM;

bool finite(float x) { return std::isfinite(x); }

// Every number a run reads must be a number: a NaN or an infinity would pass
// the range checks (every comparison with NaN is false) and spread through
// the whole state.
std::string nonfinite_input(const NETHDR& net, const BRREC* brdata, const BNDDAT& bnd,
                            const LEKDAT& lek, const PVTBLK& pvt, const ReleaseControl& ctl) {
    int g = 0;
    for (int b = 1; b <= net.NBR; ++b) {
        const BRREC& br = brdata[b - 1];
        if (!finite(br.XBR0) || !finite(br.ZBR0))
            return "NOT A FINITE NUMBER IN THE START POINT OF BRANCH " + I2CH2(b);
        const int np = std::clamp<int32_t>(br.NPIPE, 0, MXPB);
        for (int p = 1; p <= np; ++p) {
            const PIPSEG& s = br.PIPE[p - 1];
            const float v[] = {s.DIAM, s.ROUGH, s.HTC, s.TAMB, s.XSTA, s.ZSTA, s.XEND, s.ZEND};
            for (float x : v)
                if (!finite(x))
                    return "NOT A FINITE NUMBER IN PIPE DATA!\rOCCURS FOR PIPE " + I2CH2(g + p) +
                           " IN BRANCH " + I2CH2(b);
        }
        g += np;
    }
    const float* w = &bnd.QIN[0];
    for (size_t i = 0; i < sizeof(BNDDAT) / sizeof(float); ++i)
        if (!finite(w[i])) return "NOT A FINITE NUMBER IN INLET AND OUTLET DATA";
    if (!finite(lek.LEKX) || !finite(lek.LEKDIA) || !finite(lek.LEKPB))
        return "NOT A FINITE NUMBER IN LEAK DATA";
    const int np = std::clamp<int32_t>(pvt.NP, 0, MXNP);
    const int nt = std::clamp<int32_t>(pvt.NT, 0, MXNT);
    bool ok = finite(pvt.WCUT) && finite(pvt.ROGST) && finite(pvt.ROLST) && finite(pvt.GORST) &&
              finite(pvt.BETAST);
    for (int i = 0; i < np; ++i) ok = ok && finite(pvt.P[i]);
    for (int j = 0; j < nt; ++j)
        ok = ok && finite(pvt.T[j]) && finite(pvt.PBUB[j]) && finite(pvt.TAUX[j]);
    for (int k = 0; k < 16; ++k)
        for (int i = 0; i < np; ++i)
            for (int j = 0; j < nt; ++j) ok = ok && finite(pvt.TAB[k][i][j]);
    if (!ok) return "NOT A FINITE NUMBER IN FLUID PROPERTY TABLES";
    if (!finite(ctl.TUSER)) return "NOT A FINITE NUMBER IN RUN OPTIONS";
    return {};
}

std::string pipe_text(int g, int b) {
    return "\rOCCURS FOR PIPE " + I2CH2(g) + " IN BRANCH " + I2CH2(b);
}

// The pipe record steps for pipe p of branch b, global number g. Refusals of
// roughness and length are kept in IERR and MSG and the branches go on; the
// rest refuse at once (true).
bool copy_pipe(const PIPSEG& ps, int g, int b, int32_t& IERR, char* MSG) {
    if (ps.NSECT < 0) {
        refuse(IERR, MSG, MSGLEN, "NUMBER OF SECTIONS CANNOT BE NEGATIVE!" + pipe_text(g, b));
        return true;
    }
    if (!(ps.DIAM > 0.0f)) {
        refuse(IERR, MSG, MSGLEN, "PIPE DIAMETER SHOULD BE GREATER THAN 0!" + pipe_text(g, b));
        return true;
    }
    G.DIAM(g) = ps.DIAM;
    G.DCLO(g) = ps.DIAM;
    G.XYZEND(1, g) = ps.XEND;
    G.XYZEND(2, g) = ps.ZEND;
    G.XYZEND(3, g) = 0.0f;
    const float r = release_pipe_roughness(ps.ROUGH);
    switch (release_roughness_fault(ps.DIAM, r)) {
        case RELEASE_ROUGHNESS_ABOVE_HALF_DIAMETER:
            refuse(IERR, MSG, MSGLEN,
                   "ROUGHNESS CANNOT BE HIGHER THAN HALF THE PIPE DIAMETER. CHECK INPUT!");
            break;
        case RELEASE_ROUGHNESS_NEGATIVE:
            refuse(IERR, MSG, MSGLEN, "ROUGHNESS SHOULD BE GREATER THAN 0");
            break;
        default:
            G.ROUGH(g) = r == 0.0f ? RELEASE_DEFAULT_ROUGHNESS : r;
    }
    const float dz = ps.ZEND - ps.ZSTA;
    const float len = release_pipe_length(&ps);
    G.DZPIP(g) = dz;
    G.PLEN(g) = len;
    G.SLOPE(g) = len > 0.0f ? -dz / len : 0.0f;
    if (len < 10.0f)
        refuse(IERR, MSG, MSGLEN,
               "PIPELENGTH SHOULD BE GREATER THAN 33 ft (10 m)!" + pipe_text(g, b));
    return false;
}
}  // namespace

void logline(const std::string& line) { rt::write_line(IOUNIT.IULOG, line); }

namespace {
// A run in which a section's temperature was held at the property tables'
// limits ends as any other, but says so: a log line with when and where it
// first happened, and the warning for MSG (empty when it never happened).
std::string table_limit_warning() {
    const Runctl& R = RUNCTL;
    if (R.ILIMIT == 0) return {};
    // A time before the opening would read as a negative time after it.
    char when[160];
    if (R.TLIMIT < TLEAK)
        std::snprintf(when, sizeof when,
                      "%.1f C DURING THE WARM-UP, BEFORE THE LEAK OPENED, IN SECTION %d",
                      static_cast<double>(R.TMLIM), R.ILIMIT);
    else
        std::snprintf(when, sizeof when, "%.1f C FROM %.1f S AFTER THE LEAK OPENED IN SECTION %d",
                      static_cast<double>(R.TMLIM), R.TLIMIT - TLEAK, R.ILIMIT);
    const std::string side = R.TMLIM0 < R.TMLIM ? "LOWER" : "UPPER";
    char was[64];
    std::snprintf(was, sizeof was, " (IT WOULD HAVE BEEN %.1f C)", static_cast<double>(R.TMLIM0));
    logline(" TEMPERATURE HELD AT THE PROPERTY TABLES' " + side + " LIMIT " + when + was);
    return "WARNING: TEMPERATURE HELD AT THE PROPERTY TABLES' " + side + " LIMIT " + when +
           "; LATER RESULTS THERE ARE NOT RELIABLE.";
}

// A line that rose above any pipeline's pressure: the log line and the
// warning (the log has the settling warning from the warm-up's end).
std::string high_pressure_warning() {
    std::string text = high_pressure_text();
    if (!text.empty()) logline(" " + text);
    return text;
}

std::string not_settled_warning() { return RUNCTL.IWUCHK == 2 ? not_settled_text() : ""; }
}  // namespace

void add_warnings(char* MSG, int32_t LMSG, const std::vector<std::string>& warnings) {
    std::string text = msgtext(MSG, LMSG);
    const auto joined = [](const std::string& a, const std::string& b) {
        return a.empty() ? b : b.empty() ? a : a + " " + b;
    };
    std::string all = text;
    for (const std::string& w : warnings) all = joined(all, w);
    const size_t room = static_cast<size_t>(std::max<int32_t>(LMSG, 0));
    if (all.size() <= room) {
        setmsg(MSG, LMSG, all);
        return;
    }
    // Each warning goes in whole, in order, or not at all: a figure cut
    // short would be read as another figure. The note that the rest are in
    // the log goes behind them, room being kept for it unless that would
    // leave out more warnings than filling the room does.
    const std::string note = RELEASE_MORE_WARNINGS_TEXT;
    const auto fill = [&](size_t reserve, int& shown) {
        std::string t = text;
        shown = 0;
        for (const std::string& w : warnings)
            if (!w.empty() && joined(t, w).size() + reserve <= room) {
                t = joined(t, w);
                ++shown;
            }
        return joined(t, note).size() <= room ? joined(t, note) : t;
    };
    int with_room = 0, filled = 0;
    const std::string kept = fill(note.size() + 1, with_room);
    const std::string full = fill(0, filled);
    setmsg(MSG, LMSG, filled > with_room ? full : kept);
}

bool FILNAM(const char* path, int32_t path_len, std::string& plt, std::string& log) {
    int32_t len = 0;
    if (path && path_len > 0) {
        // A C caller's text ends at its first NUL, whatever length it gave.
        const void* nul = std::memchr(path, '\0', static_cast<size_t>(path_len));
        len = nul ? static_cast<int32_t>(static_cast<const char*>(nul) - path) : path_len;
    }
    const int32_t n = std::max<int32_t>(len - 3, 0);
    const std::string base = n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
    plt = base + "plt";
    log = base + "log";
    return plt.size() <= static_cast<size_t>(MSGLEN);
}

void RDNET(const NETHDR& net, const BRREC* brdata, const BNDDAT& bnd, const LEKDAT& lek,
           const PVTBLK& pvt, const ReleaseControl& ctl, int32_t& IERR, char* MSG) {
    // 1-2: a fresh state.
    IERR = 0;
    setmsg(MSG, MSGLEN, "");
    int32_t ntot3 = 0, ntot2 = 0, ntot1 = 0;
    INICOM();

    // The network header.
    if (net.NBR < 1 || net.NBR > MXBR) {
        refuse(IERR, MSG, MSGLEN,
               "NETWORK ERROR: ILLEGAL NUMBER OF BRANCHES " + I2CH2(net.NBR) +
                   ". MUST BE BETWEEN 1 AND 15");
        return;
    }
    N.NBR = net.NBR;
    N.NJUN = N.NBR > 1 ? net.NJUN : 0;
    if (N.NJUN < 0 || N.NJUN > MXJUN) {
        refuse(IERR, MSG, MSGLEN,
               "NETWORK ERROR: ILLEGAL NUMBER OF JUNCTIONS " + I2CH2(N.NJUN) +
                   ". MUST BE BETWEEN 0 AND 3");
        return;
    }
    for (int j = 1; j <= MXJUN; ++j) {
        N.NBJ(j) = net.NBJ[j - 1];
        for (int k = 1; k <= MXBJ; ++k) N.IBJ(j, k) = net.IBJ[(j - 1) + MXJUN * (k - 1)];
    }
    const std::string bad = nonfinite_input(net, brdata, bnd, lek, pvt, ctl);
    if (!bad.empty()) {
        refuse(IERR, MSG, MSGLEN, bad);
        return;
    }
    if (lek.LEKTYP != 0) {
        refuse(IERR, MSG, MSGLEN,
               "LEAK TYPE " + I2CH2(lek.LEKTYP) +
                   " NOT SUPPORTED. ONLY A PLAIN LEAK (TYPE 0) IS ALLOWED");
        return;
    }

    // The junction lists.
    if (N.NBR > 1) {
        NETDEF(IERR, MSG, MSGLEN);
        if (IERR != 0) return;
    }

    // Branches and pipes.
    for (int b = 1; b <= N.NBR; ++b) {
        const BRREC& br = brdata[b - 1];
        const int32_t t = ITYPE(b);
        N.ITYPBR(b) = t;
        const int32_t np = br.NPIPE;
        if (np == 0) {
            refuse(IERR, MSG, MSGLEN, "No pipes specified for branch " + I2CH2(b) + " !");
            return;
        }
        if (np < 0 || np > MXPB) {
            refuse(
                IERR, MSG, MSGLEN,
                "ILLEGAL NUMBER OF PIPES FOR BRANCH " + I2CH2(b) + ". MUST BE BETWEEN 1 AND 100 !");
            return;
        }
        if (G.NPIPE + np > MXPIPE) {
            refuse(IERR, MSG, MSGLEN, "NETWORK ERROR: MORE THAN 200 PIPES IN THE NETWORK");
            return;
        }
        N.XYZBR(1, b) = br.XBR0;
        N.XYZBR(2, b) = br.ZBR0;
        N.XYZBR(3, b) = 0.0f;
        N.NPIPBR(b) = np;
        const int g0 = G.NPIPE;
        G.NPIPE += np;
        G.NPIPE2 += np;
        for (int p = 1; p <= np; ++p)
            if (copy_pipe(br.PIPE[p - 1], g0 + p, b, IERR, MSG)) return;
        // Any count above the network's section limit is refused by RDGRID.
        for (int p = 1; p <= np; ++p)
            G.NSECPP(g0 + p) = release_branch_pipe_sections(br.PIPE, np, p - 1, t == 0 || t == 1);
        int32_t ns = 0, ierr_grid = 0;
        RDGRID(b, np, t, ns, ierr_grid, MSG, MSGLEN);
        if (ierr_grid != 0) {
            IERR = 1;
            return;
        }
        BRSECT(b, ns, t, ntot3, ntot2, ntot1);
    }

    // The network's unknowns.
    G.NEQ = ntot3;
    G.NEQL = ntot2;
    G.NEQG = ntot1;
    G.NEQP = ntot3;
    G.NSECM1 = G.NSEC - 1;

    // 7-8: junction roles and the coupling check.
    TOPCLR();
    NETCHK(IERR, MSG, MSGLEN);
}

void INLSET(const BNDDAT& bnd, int32_t& IERR, char* MSG) {
    E.NSOUR = 0;
    int ioff = 0;
    float liquid = 0.0f;
    for (int b = 1; b <= N.NBR; ++b) {
        const int t = N.ITYPBR(b);
        const int ns = N.NSECBR(b);
        BNDTYP(b, t, ioff, ns, IERR, bnd);
        if (t == 0 || t == 1) {
            if (E.NSOUR >= MXSRC) {
                refuse(IERR, MSG, MSGLEN, "NETWORK ERROR: MORE THAN 10 INLET BRANCHES");
                return;
            }
            const int i = ++E.NSOUR;
            const int cell = ioff + 2;
            E.ISOUR(i) = cell;
            const float a = G.SECAREA(cell);
            const float q = bnd.QIN[b - 1];
            const float v = std::max(600.0f * a, q);
            const float tcl = bnd.TCLIN[b - 1];
            // Below 0 the inlet never closes; a closing time that would fall
            // beyond the end of the table is never reached by a run either.
            const bool never = tcl < 0.0f || !(tcl + TLEAK + 10.0f < TEND);
            float tt[6], gg[6];
            int n;
            if (never) {
                n = 4;
                const float t4[] = {0.0f, 1000.0f, 1100.0f, TEND}, g4[] = {v, v, q, q};
                std::copy(t4, t4 + 4, tt);
                std::copy(g4, g4 + 4, gg);
            } else {
                n = 6;
                const float tc = tcl + TLEAK;
                const float t6[] = {0.0f, 1000.0f, 1100.0f, tc, tc + 10.0f, TEND};
                const float g6[] = {v, v, q, q, 0.0f, 0.0f};
                std::copy(t6, t6 + 6, tt);
                std::copy(g6, g6 + 6, gg);
                RUNCTL.TCLMAX = std::max(RUNCTL.TCLMAX, tc);
            }
            E.NTSOUR(i) = n;
            for (int k = 1; k <= n; ++k) {
                E.TSOUR(k, i) = tt[k - 1];
                E.GSOUR(k, i) = gg[k - 1] / a;  // mass fluxes, kg/(m2 s)
                E.LSOUR(k, i) = 0.0f;           // the whole inlet rate is gas
                E.TMSOUR(k, i) = bnd.TIN[b - 1];
            }
            E.WGSOUR(i) = E.GSOUR(1, i);
            E.WLSOUR(i) = 0.0f;
            E.W3SOUR(i) = 0.0f;
            N.INLFLG(b) = 1;
            if (E.LSOUR(1, i) / 1000.0f > 20.0f) {
                refuse(IERR, MSG, MSGLEN, "INLET FLOW RATE TO HIGH FOR BRANCH " + I2CH2(b) + " !");
                return;
            }
            liquid += E.LSOUR(1, i) * a;
        }
        ioff += ns;
    }
    if (G.NSEC >= 2 && liquid / (1000.0f * G.SECAREA(G.NSEC - 1)) > 20.0f)
        refuse(IERR, MSG, MSGLEN, "TOTAL ACCUMULATED FLOW RATE TO HIGH FOR OUTLET BRANCH!");
}

namespace {
// Every ambient and inlet temperature within what the property tables serve:
// outside them a section's temperature would be held at the tables' limit and
// the results there would describe another fluid.
void TMPCHK(const BRREC* brdata, const BNDDAT& bnd, const PVTBLK& pvt, int32_t& IERR, char* MSG) {
    const float low = release_table_temperature_limit(pvt.T[0], pvt.T[1]);
    const float high = release_table_temperature_limit(pvt.T[pvt.NT - 1], pvt.T[pvt.NT - 2]);
    const std::string range = " IS OUTSIDE THE PROPERTY TABLES' RANGE " + value_text(low, nullptr) +
                              " TO " + value_text(high, "C");
    int g = 0;
    for (int b = 1; b <= N.NBR; ++b) {
        const int t = N.ITYPBR(b);
        const float tin = bnd.TIN[b - 1];
        if ((t == 0 || t == 1) && !(tin >= low && tin <= high)) {
            refuse(IERR, MSG, MSGLEN,
                   "INLET TEMPERATURE " + value_text(tin, "C") + " OF BRANCH " + I2CH2(b) + range);
            return;
        }
        for (int p = 1; p <= N.NPIPBR(b); ++p) {
            const float ta = brdata[b - 1].PIPE[p - 1].TAMB;
            if (!(ta >= low && ta <= high)) {
                refuse(IERR, MSG, MSGLEN,
                       "AMBIENT TEMPERATURE " + value_text(ta, "C") + " OF PIPE " + I2CH2(g + p) +
                           " IN BRANCH " + I2CH2(b) + range);
                return;
            }
        }
        g += N.NPIPBR(b);
    }
}
}  // namespace

void RELSET(const NETHDR& net, const BRREC* brdata, const BNDDAT& bnd, const LEKDAT& lek,
            const PVTBLK& pvt, const ReleaseControl& ctl, int32_t& IERR, char* MSG) {
    RDNET(net, brdata, bnd, lek, pvt, ctl, IERR, MSG);
    if (IERR != 0) return;

    // Inclinations, unknowns, fluid tables, run schedule.
    SECNUM();
    EQNUM();
    PVTCHK(pvt, IERR, MSG, MSGLEN);  // the lookup would read outside a malformed block
    if (IERR != 0) return;
    if (const std::string fault = PVTPHY(pvt, false); !fault.empty()) {
        refuse(IERR, MSG, MSGLEN, "PROPERTY TABLE NOT PHYSICAL: " + fault);
        return;
    }
    UNPACK(pvt);
    TMPCHK(brdata, bnd, pvt, IERR, MSG);
    if (IERR != 0) return;
    PVTRF2(IERR, MSG, MSGLEN);
    ENDTCHK(ctl.TUSER, IERR, MSG, MSGLEN);
    if (IERR != 0) return;

    // Heat transfer and the initial state.
    BRSETP(IERR, MSG, MSGLEN, brdata, ctl.NOTEMP);
    INITIAL(bnd, pvt, IERR, MSG, MSGLEN);
    if (IERR != 0) return;

    // 11-13: boundaries and inlets, outlet choke, check valves, boundary
    // flags, controller, leak.
    INLSET(bnd, IERR, MSG);
    if (IERR != 0) return;
    CHKCHO(bnd.TCLOUT, IERR, MSG, MSGLEN);
    if (IERR != 0) return;
    VALLST(IERR);
    SECSET(IERR);
    CTRSET(IOUNIT.IECHO, IOUNIT.IUIN, IOUNIT.IULOG, IERR);
    CHKLEK(lek, IERR, MSG, MSGLEN);
    if (IERR != 0) return;

    // Densities outside the leak and the water in the liquid.
    PVTRF1(IERR, MSG, MSGLEN);
    if (pvt.WCUT > 0.0f) PVTLIM(pvt);
    if (IERR != 0) return;

    // Result variables and curves.
    VARCAT();
    PLTDEF(IERR, MSG, MSGLEN);
    if (IERR != 0) return;

    // Boundary checks and devices, then the initial state of the devices.
    // A refused boundary check leaves the maps unbuilt: stop before INISTA.
    BCCHK(IERR, MSG, MSGLEN);
    if (IERR != 0) return;
    INISTA(IERR, MSG, MSGLEN);
}

namespace {
// The file a unit wrote and why it lost data ("PATH: reason"), or the path.
std::string written(int unit, const std::string& path) {
    const std::string why = rt::unit_failure(unit);
    return why.empty() ? path : why;
}

void run(const NETHDR& net, const BRREC* brdata, const BNDDAT& bnd, const LEKDAT& lek,
         const PVTBLK& pvt, const ReleaseControl& ctl, DischargeSummary* summary, const char* path,
         int32_t path_len, ReleaseProgressFn* callback, int32_t& IERR, char* MSG) {
    std::string plt, log;
    if (!FILNAM(path, path_len, plt, log)) {
        // A cut name could be the name of an unrelated file.
        refuse(IERR, MSG, MSGLEN, "RESULT FILE NAMES WOULD BE LONGER THAN 256 CHARACTERS");
        return;
    }
    RELSET(net, brdata, bnd, lek, pvt, ctl, IERR, MSG);
    if (IERR != 0) return;

    // 17-18: the plot file and the log.
    PLTCTL.NCPLT = PLTCTL.NCURV;
    PLTCTL.NPLTF = 1;
    PLTCTL.IUPLT = 30;
    if (!rt::open_unit(30, plt)) {
        refuse(IERR, MSG, MSGLEN, "CANNOT CREATE RESULT FILE " + plt);
        return;
    }
    if (!rt::open_unit(IOUNIT.IULOG, log)) {
        rt::close_unit(30);
        refuse(IERR, MSG, MSGLEN, "CANNOT CREATE LOG FILE " + log);
        return;
    }

    // 19-20: the header, then the time loop with the callback registered.
    PLTLAB(IERR, MSG, MSGLEN);
    if (IERR != 0) {
        rt::close_unit(30);
        rt::close_unit(IOUNIT.IULOG);
        return;
    }
    SETCBK(callback);
    TLOOP(IERR, MSG, MSGLEN);
    SETCBK(nullptr);
    // The gravest first: the pressure warning is the one the caller keys on.
    if (IERR == 0)
        add_warnings(MSG, MSGLEN,
                     {high_pressure_warning(), table_limit_warning(), not_settled_warning()});

    // 21-22.
    const bool plt_ok = rt::close_unit(30);
    if (IERR != 0) {
        rt::close_unit(IOUNIT.IULOG);
        return;
    }
    if (!plt_ok) {
        rt::close_unit(IOUNIT.IULOG);
        refuse(IERR, MSG, MSGLEN,
               "RESULT FILE COULD NOT BE WRITTEN COMPLETELY: " + written(30, plt));
        return;
    }

    // No result word leaves the library that is not a number at or above 0.
    const DischargeSummary words = summary_words();
    if (const SummaryFault f = summary_fault(words, true); f.name) {
        rt::close_unit(IOUNIT.IULOG);
        refuse(IERR, MSG, MSGLEN,
               std::string("DISCHARGE SUMMARY VALUE ") + f.name + " = " +
                   value_text(f.value, nullptr) +
                   " IS NOT A FINITE NUMBER AT OR ABOVE 0 AT THE END OF THE RUN");
        return;
    }

    // 24-25: the log tail.
    logline(rt::list(std::string_view("ENDTime(s)   LEAKFLOW(kg/s)    MAXERR(-)")));
    logline(rt::list(RUNCTL.TSTOP, LEKRES.LEAKFLOW, SECVAR.MAXERR));
    // A log cut short fails the run; a warning the run had stays behind it.
    if (!rt::close_unit(IOUNIT.IULOG)) {
        const std::string warning = msgtext(MSG, MSGLEN);
        refuse(IERR, MSG, MSGLEN,
               "LOG FILE COULD NOT BE WRITTEN COMPLETELY: " + written(IOUNIT.IULOG, log) +
                   (warning.empty() ? "" : " " + warning));
        return;
    }

    // The summary, the first leak's peaks and totals.
    if (summary) *summary = words;
}

void fail(int32_t& IERR, char* MSG, const std::string& text) {
    refuse(IERR, MSG, MSGLEN, text);
    rt::close_unit(30);
    rt::close_unit(IOUNIT.IULOG ? IOUNIT.IULOG : 77);
    SETCBK(nullptr);
}
}  // namespace

}  // namespace rel

extern "C" RELEASE_API void RELEASE_CALL RELEASE(NETHDR* nethdr, BRREC* brdata, BNDDAT* bnddat,
                                                 LEKDAT* lekdat, PVTBLK* pvtblk,
                                                 ReleaseControl* ctl, DischargeSummary* summary,
                                                 const char* path, int32_t path_len,
                                                 ReleaseProgressFn* callback, int32_t* IERR,
                                                 char* MSG, int32_t msg_len) {
    using namespace rel;
    char msg[MSGLEN];
    int32_t ierr = 0;
    setmsg(msg, MSGLEN, "");
    const EntryScope scope;
    if (!scope.held()) {
        refuse(ierr, msg, MSGLEN, BUSY_MESSAGE);
    } else
        try {
            // Set-up lines for the log are kept until the log opens.
            rt::reset_units();
            rt::hold_unit(77);
            if (!nethdr || !brdata || !bnddat || !lekdat || !pvtblk || !ctl)
                refuse(ierr, msg, MSGLEN, "INPUT BLOCK MISSING");
            else
                run(*nethdr, brdata, *bnddat, *lekdat, *pvtblk, *ctl, summary, path, path_len,
                    callback, ierr, msg);
        } catch (const RunFailure& e) {
            fail(ierr, msg, e.what());
        } catch (const BoundsError& e) {
            fail(ierr, msg,
                 std::string("INTERNAL ERROR: INDEX OUTSIDE ITS ARRAY (") + e.what() + ")");
        } catch (const std::exception& e) {
            fail(ierr, msg, std::string("INTERNAL ERROR: ") + e.what());
        } catch (...) {
            fail(ierr, msg, "INTERNAL ERROR");
        }
    if (IERR) *IERR = ierr;
    if (MSG) std::memcpy(MSG, msg, static_cast<size_t>(std::clamp<int32_t>(msg_len, 0, MSGLEN)));
}
