// Placeholders for routines whose real definitions are not in this build yet.
// Each is a weak symbol: the real routine, once linked, takes its place. A
// run that reaches a placeholder ends with IERR 1 and a message naming the
// part of the run that is missing; it never pretends to succeed.
#include <string>

#include "run/errors.h"
#include "run/routines.h"

#define PENDING __attribute__((weak))

namespace rel {
namespace {
[[noreturn]] void missing(const char* name) {
    throw RunFailure(std::string(name) + ": this part of the run is not available yet");
}
void missing(const char* name, int32_t& IERR, char* MSG, int32_t LMSG) {
    refuse(IERR, MSG, LMSG, std::string(name) + ": this part of the run is not available yet");
}
}  // namespace

PENDING std::string I2CH2(int32_t) { missing("I2CH2"); }
PENDING std::string I2CH10(float) { missing("I2CH10"); }
PENDING void SETCBK(ReleaseProgressFn*) { missing("SETCBK"); }
PENDING int32_t CALCBK(int32_t&) { missing("CALCBK"); }
PENDING void UNPACK(const PVTBLK&) { missing("UNPACK"); }
PENDING void PVTRF2(int32_t& IERR, char* MSG, int32_t LMSG) { missing("PVTRF2", IERR, MSG, LMSG); }
PENDING void INITIAL(const BNDDAT&, const PVTBLK&, int32_t& IERR, char* MSG, int32_t LMSG) { missing("INITIAL", IERR, MSG, LMSG); }
PENDING void PVTRF1(int32_t& IERR, char* MSG, int32_t LMSG) { missing("PVTRF1", IERR, MSG, LMSG); }
PENDING void PVTLIM(const PVTBLK&) { missing("PVTLIM"); }
PENDING void INISTA(int32_t& IERR, char* MSG, int32_t LMSG) { missing("INISTA", IERR, MSG, LMSG); }
PENDING void ENDTCHK(float, int32_t& IERR, char* MSG, int32_t LMSG) { missing("ENDTCHK", IERR, MSG, LMSG); }
PENDING void TLOOP(int32_t& IERR, char* MSG, int32_t LMSG) { missing("TLOOP", IERR, MSG, LMSG); }
PENDING void CHOSET() { missing("CHOSET"); }
PENDING void VARCAT() { missing("VARCAT"); }
PENDING void PLTDEF(int32_t& IERR, char* MSG, int32_t LMSG) { missing("PLTDEF", IERR, MSG, LMSG); }
PENDING void PLTLAB(int32_t& IERR, char* MSG, int32_t LMSG) { missing("PLTLAB", IERR, MSG, LMSG); }
PENDING void PLTTRD(int32_t& IERR, char* MSG, int32_t LMSG) { missing("PLTTRD", IERR, MSG, LMSG); }
PENDING void PRTRES() { missing("PRTRES"); }
PENDING int32_t TBLOC(float, const float*, int32_t, int32_t) { missing("TBLOC"); }
PENDING void PVTLUP(int32_t, int32_t, float, float, PvtOut&, int32_t, int32_t&, int32_t, int32_t& IERR, char* MSG, int32_t LMSG) { missing("PVTLUP", IERR, MSG, LMSG); }
PENDING void PRECHK(int32_t& IERR, char* MSG, int32_t LMSG) { missing("PRECHK", IERR, MSG, LMSG); }
PENDING void SECPRP(int32_t& IERR, char* MSG, int32_t LMSG) { missing("SECPRP", IERR, MSG, LMSG); }
PENDING void PRPUPD(int32_t& IERR, char* MSG, int32_t LMSG) { missing("PRPUPD", IERR, MSG, LMSG); }
PENDING void TBINT(const float*, int32_t, int32_t, int32_t, float, int32_t&, float&, float&) { missing("TBINT"); }
PENDING void TBINTR(const float*, const float*, int32_t, float, float&, int32_t, const char*, int32_t) { missing("TBINTR"); }
PENDING float CTRVAL(int32_t) { missing("CTRVAL"); }
PENDING float CPUTIM() { missing("CPUTIM"); }
PENDING void TIMPL(int32_t&, int32_t& IERR, char* MSG, int32_t LMSG) { missing("TIMPL", IERR, MSG, LMSG); }
PENDING void CLOSUR() { missing("CLOSUR"); }
PENDING void LEKCOF(int32_t& IERR, char* MSG, int32_t LMSG) { missing("LEKCOF", IERR, MSG, LMSG); }
PENDING void BANDLU(int32_t, int32_t, int32_t& IERR, char* MSG, int32_t LMSG) { missing("BANDLU", IERR, MSG, LMSG); }
PENDING void NETSLV(int32_t, int32_t, int32_t, int32_t& IERR, char* MSG, int32_t LMSG) { missing("NETSLV", IERR, MSG, LMSG); }
PENDING int32_t IBRJF(int32_t, int32_t) { missing("IBRJF"); }
PENDING void TADVDT(float, float, double&, float, float, float, double&, int32_t, double&) { missing("TADVDT"); }
PENDING void CHOFLO(int32_t& IERR, char* MSG, int32_t LMSG) { missing("CHOFLO", IERR, MSG, LMSG); }
PENDING void CHOARE(int32_t& IERR, char* MSG, int32_t LMSG) { missing("CHOARE", IERR, MSG, LMSG); }
PENDING void CHOKCO() { missing("CHOKCO"); }
PENDING void CTRUPD(double, double&, float, float, int32_t&) { missing("CTRUPD"); }
PENDING void SRCTRM(int32_t& IERR, char* MSG, int32_t LMSG) { missing("SRCTRM", IERR, MSG, LMSG); }
PENDING void LEKFLO(int32_t& IERR, char* MSG, int32_t LMSG) { missing("LEKFLO", IERR, MSG, LMSG); }
PENDING void BOUUPD(int32_t& IERR, char* MSG, int32_t LMSG) { missing("BOUUPD", IERR, MSG, LMSG); }
PENDING void MASS(int32_t& IERR, char* MSG, int32_t LMSG) { missing("MASS", IERR, MSG, LMSG); }
PENDING void MTRANS() { missing("MTRANS"); }
PENDING void MFLUX(int32_t, int32_t& IERR, char* MSG, int32_t LMSG) { missing("MFLUX", IERR, MSG, LMSG); }
PENDING void VOLFRC() { missing("VOLFRC"); }

}  // namespace rel

// The exports, until their real definitions are linked.
extern "C" {
PENDING void RELEASE_CALL RELEASE(NETHDR*, BRREC*, BNDDAT*, LEKDAT*, PVTBLK*, ReleaseControl*,
                                  DischargeSummary*, const char*, int32_t, ReleaseProgressFn*,
                                  int32_t* IERR, char* MSG, int32_t) {
    rel::missing("RELEASE", *IERR, MSG, rel::LMSG);
}
PENDING void RELEASE_CALL BLACKOIL(float*, float*, float*, float*, PVTBLK*, int32_t* IERR,
                                   char* MSG, int32_t) {
    rel::missing("BLACKOIL", *IERR, MSG, rel::LMSG);
}
PENDING void RELEASE_CALL COMPPVT(COMPREC*, PVTBLK*, int32_t* IERR, char* MSG, int32_t) {
    rel::missing("COMPPVT", *IERR, MSG, rel::LMSG);
}
}
