// The test entry of the deck facilities: a deck describes a network and the
// groups the readers know; DECKRUN sets the network up as a run does, reads
// the groups into the state and writes the input listing and network list.
//
// Layout of a deck. Groups follow one another, each opened by a header
// record whose first six characters (after leading blanks, any case) are a
// group name ("BOUNDARY CONDITION" opens BOUNDA). Then, by group:
//   TEXT      one record: the title line.
//   NETWORK   NBR NJUN; then per junction: NBJ and its NBJ branch numbers.
//   GEOMETRY  per branch: NPIPE XBR0 ZBR0, then per pipe one record
//             NSECT DIAM ROUGH HTC TAMB XEND ZEND (the pipe starts where the
//             previous one ends). The network is set up after this group.
//   TEMPERATURE  the heat-transfer mode.
//   BOUNDARY  per branch: the number of sources and the sources, then the
//             void-fraction data of its left and right end.
//   SOVA, LEAK  per branch: the count and the entries.
//   PROFILE   the number of plot times, the times, then per branch the
//             variables; each variable takes the branch's whole range.
//   PREPROCESSOR  no records: every record read from here on is echoed.
//   FINISH    ends the deck.
// The records of the other groups are passed over up to the next header.
#include <cctype>
#include <memory>
#include <cstring>
#include <string>
#include <vector>

#include "deck/deck.h"
#include "deck/record_input.h"
#include "release/release.h"
#include "rt/fortio.h"
#include "run/errors.h"
#include "run/routines.h"
#include "run/setup.h"
#include "run/state.h"

namespace rel {

namespace deck {

const char* const GROUP_NAMES[40] = {
    "TEXT  ", "RESTAR", "ACHOKE", "TEMPER", "GEOMET", "INTEGR", "WALL S", "INITIA",
    "BOUNDA", "LOSS C", "OUTPUT", "INTERF", "NOPRIN", "NETWOR", "PDPUMP", "WELL  ",
    "STEADY", "PREPRO", "      ", "      ", "      ", "      ", "ACONTR", "SEPARA",
    "ACHECK", "      ", "SOVA  ", "STABGA", "LEAK  ", "      ", "      ", "      ",
    "      ", "      ", "SLIP  ", "      ", "BILHLA", "TOOLJO", "PROFIL", "FINISH"};

}  // namespace deck

namespace {

using deck::as_int;
using deck::as_real;
using deck::read_rec;
using deck::report;
using rt::fI;

// Group number of a header record, 0 when it is none.
int group_of(const std::string& rec) {
    size_t i = 0;
    while (i < rec.size() && (rec[i] == ' ' || rec[i] == '\t')) ++i;
    if (i == rec.size()) return 0;
    std::string key = rec.substr(i, 6);
    for (char& c : key) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    key.resize(6, ' ');
    for (int g = 1; g <= 40; ++g)
        if (key == deck::GROUP_NAMES[g - 1] && key != "      ") return g;
    return 0;
}

struct Deck {
    NETHDR net{};
    std::vector<BRREC> br = std::vector<BRREC>(MXBR);
    BNDDAT bnd{};
    LEKDAT lek{};
    PVTBLK pvt{};
    ReleaseControl ctl{};
    bool have_net = false;   // NETWORK read
    bool have_grid = false;  // network set up
};

int32_t sections_before(int32_t b) {
    int32_t off = 0;
    for (int32_t k = 1; k < b; ++k) off += NETDSC.NSECBR(k);
    return off;
}

// NETWORK: the header counts are checked before they are stored.
int32_t read_network(Deck& d, int32_t& IERR) {
    const std::string head = "ERROR IN GROUP NETWORK - ";
    int32_t nbr = 0, njun = 0;
    if (!read_rec({as_int(nbr), as_int(njun)})) {
        report({head + "TRIED TO READ", "THE NUMBER OF BRANCHES AND JUNCTIONS"});
        IERR = 1;
        return 1;
    }
    if (nbr < 1 || nbr > MXBR || njun < 0 || njun > MXJUN) {
        report({head + "NUMBER OF BRANCHES" + fI(nbr, 4) + " OR JUNCTIONS" + fI(njun, 4),
                "OUT OF RANGE: AT MOST" + fI(MXBR, 3) + " BRANCHES AND" + fI(MXJUN, 2) +
                    " JUNCTIONS"});
        IERR = 1;
        return 1;
    }
    d.net.NBR = nbr;
    d.net.NJUN = njun;
    for (int32_t j = 1; j <= njun; ++j) {
        std::string rec;
        if (!rt::read_line(IOUNIT.IUIN, rec)) rec.clear();
        std::vector<std::string> items;
        int32_t nbj = 0;
        bool ok = static_cast<int>(rec.size()) <= deck::MXREC && deck::split_record(rec, items) &&
                  !items.empty() && deck::parse_int(items[0], nbj);
        if (ok && (nbj < 1 || nbj > MXBJ)) {
            report({head + "JUNCTION" + fI(j, 2) + " HAS" + fI(nbj, 4) + " BRANCHES,",
                    "IT MUST HAVE BETWEEN 1 AND" + fI(MXBJ, 2)});
            IERR = 1;
            return 1;
        }
        ok = ok && static_cast<int32_t>(items.size()) >= nbj + 1;
        std::vector<int32_t> m(nbj > 0 ? nbj : 0);
        for (int32_t k = 0; ok && k < nbj; ++k) ok = deck::parse_int(items[k + 1], m[k]);
        if (!ok) {
            rt::backspace(IOUNIT.IUIN);
            report({head + "TRIED TO READ", "THE BRANCHES OF JUNCTION" + fI(j, 2)});
            IERR = 1;
            return 1;
        }
        if (is_true(IOUNIT.IECHO)) rt::write_line(IOUNIT.IULOG, "      " + rec);
        d.net.NBJ[j - 1] = nbj;
        for (int32_t k = 1; k <= nbj; ++k) d.net.IBJ[(j - 1) + 3 * (k - 1)] = m[k - 1];
    }
    d.have_net = true;
    return 0;
}

// GEOMETRY: the branch and pipe records, then the network set-up of a run.
int32_t read_geometry(Deck& d, int32_t& IERR, char* MSG, int32_t LMSG) {
    const std::string head = "ERROR IN GROUP GEOMETRY - ";
    int32_t pipes = 0;
    for (int32_t b = 1; b <= d.net.NBR; ++b) {
        BRREC& r = d.br[b - 1];
        int32_t np = 0;
        float x0 = 0, z0 = 0;
        if (!read_rec({as_int(np), as_real(x0), as_real(z0)})) {
            report({head + "TRIED TO READ", "THE NUMBER OF PIPES OF BRANCH" + fI(b, 3)});
            IERR = 1;
            return 1;
        }
        if (np < 1 || np > MXPB || pipes + np > MXPIPE) {
            report(
                {head + "NUMBER OF PIPES" + fI(np, 5) + " IN BRANCH" + fI(b, 3),
                 "MUST BE BETWEEN 1 AND" + fI(MXPB, 4) + ", AT MOST" + fI(MXPIPE, 4) + " IN ALL"});
            IERR = 1;
            return 1;
        }
        pipes += np;
        r.NPIPE = np;
        r.XBR0 = x0;
        r.ZBR0 = z0;
        float xs = x0, zs = z0;
        for (int32_t p = 1; p <= np; ++p) {
            PIPSEG& s = r.PIPE[p - 1];
            if (!read_rec({as_int(s.NSECT), as_real(s.DIAM), as_real(s.ROUGH), as_real(s.HTC),
                           as_real(s.TAMB), as_real(s.XEND), as_real(s.ZEND)})) {
                report({head + "TRIED TO READ", "PIPE" + fI(p, 4) + " OF BRANCH" + fI(b, 3)});
                IERR = 1;
                return 1;
            }
            s.XSTA = xs;
            s.ZSTA = zs;
            xs = s.XEND;
            zs = s.ZEND;
        }
    }
    return 0;
}

// The network set-up of a run (its steps up to the boundary types). It
// resets the state, so what the deck gave before is kept across it.
void set_up(Deck& d, int32_t& IERR, char* MSG, int32_t LMSG) {
    char title[80];
    std::memcpy(title, RUNCTL.TITLE, 80);
    const int32_t mode = RUNCTL.IHTDK, echo = IOUNIT.IECHO;
    const auto flags = IOUNIT.IGRPFL;
    d.bnd.POUT = 500000.0f;  // the outlet holds 5 bar
    RDNET(d.net, d.br.data(), d.bnd, d.lek, d.pvt, d.ctl, IERR, MSG);
    std::memcpy(RUNCTL.TITLE, title, 80);
    RUNCTL.IHTDK = mode;
    IOUNIT.IECHO = echo;
    IOUNIT.IGRPFL = flags;
    if (IERR != 0) return;
    SECNUM();
    EQNUM();
    int32_t off = 0;
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        BNDTYP(b, NETDSC.ITYPBR(b), off, NETDSC.NSECBR(b), IERR, d.bnd);
        off += NETDSC.NSECBR(b);
    }
    if (IERR != 0) return;
    VARCAT();
}

int32_t read_boundary(int32_t& IERR) {
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        int32_t n = 0;
        if (!deck::read_ints(&n, 1)) {
            report({"ERROR IN GROUP BOUNDARY COND. - TRIED TO READ",
                    "THE NUMBER OF SOURCES IN BRANCH" + fI(b, 4)});
            IERR = 1;
            return 1;
        }
        if (n < 0 || EQUIPM.NSOUR + n > MXSRC) {
            report(
                {"ERROR IN GROUP BOUNDARY COND. - NUMBER OF SOURCES" + fI(n, 6),
                 "IN BRANCH" + fI(b, 4) + " GIVES MORE THAN" + fI(MXSRC, 4) + " SOURCES IN ALL"});
            IERR = 1;
            return 1;
        }
        EQUIPM.NSOUR += n;
        const int32_t t = NETDSC.ITYPBR(b), off = sections_before(b), ns = NETDSC.NSECBR(b);
        if (RDSOUR(t, n, off, ns, IERR)) return 1;
        if (CHKBND(1, b, IERR) || CHKBND(2, b, IERR)) return 1;
    }
    return 0;
}

int32_t read_profile(int32_t& IERR) {
    int32_t n = 0;
    if (!deck::read_ints(&n, 1)) {
        report(
            {"ERROR IN GROUP PROFILE PLOT: ", "TRIED TO READ NUMBER OF PROFILE PLOT TIME POINTS"});
        IERR = 1;
        return 1;
    }
    if (n < 0 || n > Pltctl::MXPRT) {
        report({"ERROR IN GROUP PROFILE PLOT: ",
                "NUMBER OF PROFILE PLOT TIME POINTS MUST BE BETWEEN 0 AND" + fI(Pltctl::MXPRT, 3) +
                    ", NOT" + fI(n, 6)});
        IERR = 1;
        return 1;
    }
    float t[Pltctl::MXPRT];
    if (!deck::read_reals(t, n)) {
        report({"ERROR IN GROUP PROFILE PLOT: ", "TRIED TO READ PROFILE PLOT TIME POINTS"});
        IERR = 1;
        return 1;
    }
    PLTCTL.NPRTIM = n;
    for (int32_t i = 1; i <= n; ++i) PLTCTL.TPRTIM(i) = t[i - 1];
    for (int32_t b = 1; b <= NETDSC.NBR; ++b) {
        int32_t idx[Pltctl::MXPRV];
        int32_t nv = 0;
        if (RDPROF(b, IERR, nv, idx)) return 1;
        PLTCTL.NPRBR(b) = nv;
        const int32_t R = (NETDSC.ITYPBR(b) == 0 || NETDSC.ITYPBR(b) == 1) ? 2 : 1;
        for (int32_t k = 1; k <= nv; ++k) {
            PLTCTL.IPRBRI(k, b) = idx[k - 1];
            if (CHKPROF(idx[k - 1], R, NETDSC.NSECBR(b), sections_before(b), IERR)) return 1;
        }
    }
    return 0;
}

// Reads the groups of the deck; false when the deck could not be read to its end.
bool read_deck(Deck& d, int32_t& IERR, char* MSG, int32_t LMSG) {
    std::string rec;
    bool pending = false;  // rec holds a header already read
    for (;;) {
        if (!pending) {
            if (!rt::read_line(IOUNIT.IUIN, rec)) {
                refuse(IERR, MSG, LMSG, "Input deck: the deck ends without its FINISH group");
                return false;
            }
        }
        pending = false;
        const int g = group_of(rec);
        if (g == 0) {
            refuse(IERR, MSG, LMSG,
                   "Input deck: a group header was expected, not \"" +
                       std::string(rt::trim(rec.substr(0, 60))) + "\"");
            return false;
        }
        IOUNIT.IGRPFL(g) = TRUE_;
        const std::string name = std::string(rt::trim(deck::GROUP_NAMES[g - 1]));
        const bool needs_grid = g == 9 || g == 27 || g == 29 || g == 39;
        if (needs_grid && !d.have_grid) {
            refuse(IERR, MSG, LMSG,
                   "Input deck: group " + name + " comes before the network geometry");
            return false;
        }
        int32_t failed = 0;
        switch (g) {
            case 1: {
                std::string t;
                if (!rt::read_line(IOUNIT.IUIN, t)) t.clear();
                rt::assign(RUNCTL.TITLE, 80, t);
                break;
            }
            case 4:
                failed = deck::read_ints(&RUNCTL.IHTDK, 1) ? 0 : 1;
                if (failed) {
                    report(
                        {"ERROR IN GROUP TEMPERATURE - TRIED TO READ", "THE HEAT-TRANSFER MODE"});
                    IERR = 1;
                }
                break;
            case 14:
                failed = read_network(d, IERR);
                break;
            case 5:
                if (!d.have_net) {
                    refuse(IERR, MSG, LMSG, "Input deck: group GEOMET comes before the network");
                    return false;
                }
                failed = read_geometry(d, IERR, MSG, LMSG);
                if (!failed) {
                    set_up(d, IERR, MSG, LMSG);
                    if (IERR != 0) {
                        if (msgtext(MSG, LMSG).empty())
                            setmsg(MSG, LMSG,
                                   "Input deck: the network set-up failed, see the listing");
                        return false;
                    }
                    d.have_grid = true;
                }
                break;
            case 9:
                failed = read_boundary(IERR);
                break;
            case 27:
                for (int32_t b = 1; !failed && b <= NETDSC.NBR; ++b)
                    failed =
                        RDSOVA(b, NETDSC.ITYPBR(b), sections_before(b), NETDSC.NSECBR(b), IERR);
                break;
            case 29:
                for (int32_t b = 1; !failed && b <= NETDSC.NBR; ++b)
                    failed =
                        RDLEAK(b, NETDSC.ITYPBR(b), sections_before(b), NETDSC.NSECBR(b), IERR);
                break;
            case 39:
                failed = read_profile(IERR);
                break;
            case 18:
                IOUNIT.IECHO = TRUE_;
                break;
            case 40:
                return true;
            default:
                // A group without a reader: pass over its records.
                while (rt::read_line(IOUNIT.IUIN, rec)) {
                    if (group_of(rec) != 0) {
                        pending = true;
                        break;
                    }
                }
                if (!pending) {
                    refuse(IERR, MSG, LMSG, "Input deck: the deck ends without its FINISH group");
                    return false;
                }
                break;
        }
        if (failed) {
            refuse(IERR, MSG, LMSG,
                   "Input deck: group " + name + " could not be read, see the listing");
            return false;
        }
    }
}

}  // namespace

void DECKRUN(const char* DECK, const char* LISTING, const char* NETFILE, int32_t& IERR, char* MSG,
             int32_t LMSG) {
    IERR = 0;
    setmsg(MSG, LMSG, "");
    INICOM();
    rt::reset_units();
    std::string why;
    if (!rt::open_unit(IOUNIT.IULOG, LISTING, &why)) {
        refuse(IERR, MSG, LMSG, std::string("Input deck: cannot write the listing ") + LISTING);
        return;
    }
    if (!rt::open_unit_read(IOUNIT.IUIN, DECK, &why)) {
        refuse(IERR, MSG, LMSG, std::string("Input deck: cannot read ") + DECK);
        rt::close_unit(IOUNIT.IULOG);
        return;
    }
    try {
        auto d = std::make_unique<Deck>();
        const bool complete = read_deck(*d, IERR, MSG, LMSG);
        if (complete) {
            RDINPT();
            if (NETFILE && *NETFILE) {
                if (rt::open_unit(13, NETFILE, &why)) {
                    RDNETW();
                    if (!rt::close_unit(13))
                        refuse(IERR, MSG, LMSG, std::string("Input deck: cannot write ") + NETFILE);
                } else {
                    refuse(IERR, MSG, LMSG, std::string("Input deck: cannot write ") + NETFILE);
                }
            }
            if (IERR != 0 && msgtext(MSG, LMSG).empty())
                setmsg(MSG, LMSG, "Input deck: errors in the input, see the listing");
        }
    } catch (const RunFailure& e) {
        refuse(IERR, MSG, LMSG, e.what());
    } catch (const std::exception& e) {
        refuse(IERR, MSG, LMSG, std::string("Input deck: ") + e.what());
    }
    rt::close_unit(IOUNIT.IUIN);
    if (!rt::close_unit(IOUNIT.IULOG) && IERR == 0)
        refuse(IERR, MSG, LMSG, std::string("Input deck: cannot write the listing ") + LISTING);
}

}  // namespace rel
