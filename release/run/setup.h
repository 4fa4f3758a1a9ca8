// The set-up routines of a discharge run: the caller's blocks become the
// checked network, its sections, unknowns, boundaries and devices.
//
// Every routine reads and writes the state areas; those that can refuse set
// IERR = 1 and MSG (LMSG characters). RELEASE calls them in a fixed order;
// tests call them one by one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "release/release.h"

namespace rel {

// ------------------------------------------------ the order of work
// Everything of a run before the result files open. MSG holds MSGLEN
// characters.
void RELSET(const NETHDR& net, const BRREC* brdata, const BNDDAT& bnd, const LEKDAT& lek,
            const PVTBLK& pvt, const ReleaseControl& ctl, int32_t& IERR, char* MSG);
// The first part of it: reset, header and input checks, branch and pipe records, grid,
// junction numbering and the coupling check.
void RDNET(const NETHDR& net, const BRREC* brdata, const BNDDAT& bnd, const LEKDAT& lek,
           const PVTBLK& pvt, const ReleaseControl& ctl, int32_t& IERR, char* MSG);
// Boundary types of every branch and one inlet source per inlet branch.
void INLSET(const BNDDAT& bnd, int32_t& IERR, char* MSG);
// The two result-file names of a path: its characters up to the first NUL,
// less the last three, followed by "plt" and "log". False when a name would
// not fit 256 characters.
bool FILNAM(const char* path, int32_t path_len, std::string& plt, std::string& log);

// ------------------------------------------------ topology (network.cpp)
void NETDEF(int32_t& IERR, char* MSG, int32_t LMSG);
int32_t ITYPE(int32_t IBR);
void BRSECT(int32_t IBR, int32_t NS, int32_t ITYP, int32_t& NTOT3, int32_t& NTOT2, int32_t& NTOT1);
void TOPCLR();
void NETCHK(int32_t& IERR, char* MSG, int32_t LMSG);
void SECNUM();
void EQNUM();
void BNDTYP(int32_t IBR, int32_t ITYP, int32_t IOFF, int32_t NS, int32_t& IERR, const BNDDAT& bnd);
void VALLST(int32_t& IERR);
void EQMAPS();

// ------------------------------------------------ sections (sections.cpp)
void RDGRID(int32_t IBR, int32_t NP, int32_t ITYP, int32_t& NS, int32_t& IERR, char* MSG,
            int32_t LMSG);
void BRSETP(int32_t& IERR, char* MSG, int32_t LMSG, const BRREC* brdata, int32_t ISWTCH);
void HTCOEF(int32_t IBR, int32_t IPOFF, int32_t NP, int32_t& NWTOT, int32_t& IERR, char* MSG,
            int32_t LMSG, const BRREC& br);
void SECGEO(int32_t IBR, int32_t ITYP, int32_t IPOFF, int32_t IOFF, int32_t NS, const BRREC& br);
void SECSET(int32_t& IERR);

// ------------------------------------------------ devices (equipment.cpp)
void CHKCHO(float TCLOUT, int32_t& IERR, char* MSG, int32_t LMSG);
void CTRSET(int32_t IECHO, int32_t IUIN, int32_t IUOUT, int32_t& IERR);
bool CTRDEF(int32_t ITAB, int32_t IECHO, int32_t IUIN, int32_t IUOUT, int32_t KIND,
            int32_t& NCOUNT);
void CHKLEK(const LEKDAT& lek, int32_t& IERR, char* MSG, int32_t LMSG);
void BCCHK(int32_t& IERR, char* MSG, int32_t LMSG);
void ARATIO();

// ------------------------------------------------ small helpers
// Writes one line to the run log (kept until the log opens).
void logline(const std::string& line);

// Puts warnings behind what MSG holds, in order, each whole or not at all;
// when one is left out (it is in the log) MSG ends with
// RELEASE_MORE_WARNINGS_TEXT where it fits. Empty warnings are skipped.
void add_warnings(char* MSG, int32_t LMSG, const std::vector<std::string>& warnings);

}  // namespace rel
