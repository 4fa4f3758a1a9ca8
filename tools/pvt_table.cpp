// pvt_table: prints the fluid-property table block of a fluid, or one flash,
// z-factor or saturation point of the engine behind it.
//
//   pvt_table blackoil RHOG RHOO GOR WCUT        black-oil block
//   pvt_table comp MODEL:PCT[:MW:DENS] ...       compositional block
//   pvt_table comppoint P_PA T_C MODEL:PCT[:MW:DENS] ...
//                                                the 16 table values that the
//                                                compositional table builder
//                                                stores at one point
//   pvt_table components MODEL:PCT[:MW:DENS] ... the components the builder
//                                                works with: "C k row z Tc_K
//                                                Pc_atm omega M" and "KIJ k l
//                                                kij" (fraction)
//   pvt_table flash T_K P_ATM ROW:Z ...          one flash (catalogue rows)
//   pvt_table psat ROW T_K                       saturation pressure, atm
//   pvt_table zfactor PPR TPR                    black-oil z-factor search
//   pvt_table bocorr RHOG RHOO GOR P_PA T_C      black-oil point
//
// Add --report to have the flash engine write its report to standard output.
// Block lines: "NP n", "NT n", "P i v", "T j v", "PBUB j v", "TAUX j v",
// "TAB k i j v" (table k at pressure i, temperature j), then the last words.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "pvt/pvt.h"
#include "release/release.h"
#include "run/errors.h"

using namespace rel;

namespace {

int usage() {
    std::fprintf(stderr,
                 "usage: pvt_table blackoil RHOG RHOO GOR WCUT\n"
                 "       pvt_table comp MODEL:PCT[:MW:DENS] ...\n"
                 "       pvt_table comppoint P_PA T_C MODEL:PCT[:MW:DENS] ...\n"
                 "       pvt_table components MODEL:PCT[:MW:DENS] ...\n"
                 "       pvt_table flash T_K P_ATM ROW:Z ...\n"
                 "       pvt_table psat ROW T_K\n"
                 "       pvt_table zfactor PPR TPR\n"
                 "       pvt_table bocorr RHOG RHOO GOR P_PA T_C\n");
    return 2;
}

void print_block(const PVTBLK& b) {
    std::printf("NP %d\nNT %d\n", b.NP, b.NT);
    int np = std::min(std::max(b.NP, 0), 20), nt = std::min(std::max(b.NT, 0), 20);
    for (int i = 0; i < np; ++i) std::printf("P %d %.9g\n", i + 1, b.P[i]);
    for (int j = 0; j < nt; ++j) std::printf("T %d %.9g\n", j + 1, b.T[j]);
    for (int j = 0; j < nt; ++j) std::printf("PBUB %d %.9g\n", j + 1, b.PBUB[j]);
    for (int j = 0; j < nt; ++j) std::printf("TAUX %d %.9g\n", j + 1, b.TAUX[j]);
    for (int k = 0; k < 16; ++k)
        for (int i = 0; i < np; ++i)
            for (int j = 0; j < nt; ++j)
                std::printf("TAB %d %d %d %.9g\n", k + 1, i + 1, j + 1, b.TAB[k][i][j]);
    std::printf("WCUT %.9g\nROGST %.9g\nROLST %.9g\nGORST %.9g\nBETAST %.9g\n", b.WCUT, b.ROGST,
                b.ROLST, b.GORST, b.BETAST);
}

int fail(int32_t ierr, const char* msg) {
    std::fprintf(stderr, "IERR %d: %s\n", ierr, msgtext(msg, MSGLEN).c_str());
    return 1;
}

// The composition's tables through the export, as the program builds them:
// 0, or the exit status after the library's refusal is printed.
int comp_tables(COMPREC& c, PVTBLK& b) {
    int32_t ierr = 0;
    char msg[MSGLEN];
    setmsg(msg, MSGLEN, "");
    COMPPVT(&c, &b, &ierr, msg, MSGLEN);
    return ierr != 0 ? fail(ierr, msg) : 0;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> a;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--report") == 0)
            FLSOUT = true;
        else
            a.push_back(argv[i]);
    }
    if (a.empty()) return usage();
    auto num = [&](size_t i) { return std::strtod(a.at(i).c_str(), nullptr); };
    const std::string cmd = a[0];
    try {
        if (cmd == "blackoil" && a.size() == 5) {
            float g = num(1), o = num(2), r = num(3), w = num(4);
            PVTBLK b{};
            b.ROGST = g;
            b.ROLST = o;
            b.GORST = r;
            b.BETAST = 0.0f;
            int32_t ierr = 0;
            char msg[MSGLEN];
            setmsg(msg, MSGLEN, "");
            BLACKOIL(&g, &o, &r, &w, &b, &ierr, msg, MSGLEN);
            if (ierr != 0) return fail(ierr, msg);
            print_block(b);
            return 0;
        }
        // Components from argument `first` on into a composition record.
        auto composition = [&](size_t first, COMPREC& c) {
            c.NCOMP = static_cast<int32_t>(a.size() - first);
            if (c.NCOMP > 30) c.NCOMP = 31;
            for (int k = 0; k < c.NCOMP && k < 30; ++k) {
                double v[4] = {0, 0, 0, 0};
                int n = std::sscanf(a[k + first].c_str(), "%lf:%lf:%lf:%lf", &v[0], &v[1], &v[2],
                                    &v[3]);
                if (n < 2) return false;
                c.MODEL[k] = static_cast<int32_t>(v[0]);
                c.MOLEPCT[k] = static_cast<float>(v[1]);
                c.MOLWT[k] = static_cast<float>(v[2]);
                c.LIQDEN[k] = static_cast<float>(v[3]);
            }
            return true;
        };
        if (cmd == "comppoint" && a.size() >= 4) {
            // The table builder on its own grid with the nearest pressure and
            // temperature replaced by the point's (the order stays increasing
            // for points inside the grid).
            COMPREC c{};
            if (!composition(3, c)) return usage();
            const float p = static_cast<float>(num(1)), t = static_cast<float>(num(2));
            PVTBLK b{};
            int32_t ierr = 0;
            char msg[MSGLEN];
            setmsg(msg, MSGLEN, "");
            COMPPVT(&c, &b, &ierr, msg, MSGLEN);  // the grid
            if (ierr != 0) return fail(ierr, msg);
            b.T[0] = -100.0f;
            int ip = 0, it = 0;
            for (int i = 1; i < 20; ++i) {
                if (std::fabs(b.P[i] - p) < std::fabs(b.P[ip] - p)) ip = i;
                if (std::fabs(b.T[i] - t) < std::fabs(b.T[it] - t)) it = i;
            }
            b.P[ip] = p;
            b.T[it] = t;
            COMPTB(c, b, ierr, msg, MSGLEN);
            if (ierr != 0) return fail(ierr, msg);
            for (int k = 0; k < 16; ++k) std::printf("TAB %d %.9g\n", k + 1, b.TAB[k][ip][it]);
            return 0;
        }
        if (cmd == "components" && a.size() >= 2) {
            COMPREC c{};
            if (!composition(1, c)) return usage();
            PVTBLK b{};
            if (const int status = comp_tables(c, b)) return status;
            const Flscom& F = FLSCOM;
            for (int k = 1; k <= F.NC; ++k) {
                const CatEntry& e = CMPCAT.E[F.ICAT[k]];
                std::printf("C %d %d %.12g %.12g %.12g %.12g %.12g\n", k, F.ICAT[k], F.Z[k], e.TC,
                            e.PC, e.OMEGA, e.MW);
            }
            for (int k = 1; k <= F.NC; ++k)
                for (int l = 1; l <= F.NC; ++l)
                    std::printf("KIJ %d %d %.12g\n", k, l,
                                CMPCAT.KIJ[F.ICAT[k]][F.ICAT[l]] / 100.0);
            return 0;
        }
        if (cmd == "comp" && a.size() >= 2) {
            COMPREC c{};
            if (!composition(1, c)) return usage();
            PVTBLK b{};
            if (const int status = comp_tables(c, b)) return status;
            print_block(b);
            return 0;
        }
        if (cmd == "flash" && a.size() >= 4) {
            int nc = static_cast<int>(a.size() - 3);
            if (nc > MXCOMP) return usage();
            int32_t icat[MXCOMP];
            double z[MXCOMP];
            for (int k = 0; k < nc; ++k) {
                int row;
                double zz;
                if (std::sscanf(a[k + 3].c_str(), "%d:%lf", &row, &zz) != 2 || row < 1 ||
                    row > MXCAT)
                    return usage();
                icat[k] = row;
                z[k] = zz;
            }
            FlashPoint f = flash_point(nc, icat, z, num(1), num(2));
            std::printf("V %.12g\nL %.12g\nZG %.12g\nZL %.12g\nROG %.12g\nROL %.12g\n", f.V, f.L,
                        f.ZG, f.ZL, f.ROG, f.ROL);
            for (int k = 1; k <= nc; ++k) std::printf("X %d %.12g\n", k, f.x[k]);
            for (int k = 1; k <= nc; ++k) std::printf("Y %d %.12g\n", k, f.y[k]);
            return 0;
        }
        if (cmd == "psat" && a.size() == 3) {
            int row = static_cast<int>(num(1));
            if (row < 1 || row > MXCAT) return usage();
            std::printf("PSAT %.12g\n", saturation_pressure(row, num(2)));
            return 0;
        }
        if (cmd == "zfactor" && a.size() == 3) {
            std::printf("Z %.9g\n", ZFDAK(static_cast<float>(num(1)), static_cast<float>(num(2))));
            return 0;
        }
        if (cmd == "bocorr" && a.size() == 6) {
            BoPoint p = BOCORR(num(1), num(2), num(3), num(4), num(5));
            std::printf("PBUB %.9g\nRS %.9g\nBO %.9g\nZ %.9g\nZ2 %.9g\n", p.PBUB, p.RS_SCF, p.BO,
                        p.Z, p.Z2);
            for (int k = 0; k < 16; ++k) std::printf("TAB %d %.9g\n", k + 1, p.tab[k]);
            return 0;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return usage();
}
