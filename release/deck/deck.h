// The input-deck reader, its listing, result values by variable id and the
// state dump: facilities of a stand-alone run driven by a text deck. No
// export calls them; DECKRUN drives them for tests and scripts.
//
// Section numbers in a deck are local to a branch and leave out its boundary
// sections: with R = 2 for a branch that starts at an inlet (type 0 or 1)
// and R = 1 otherwise, local section s (1 <= s <= sections - R) is the
// global cell offset + R + s - 1, offset being the sections of the earlier
// branches.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace rel {

// ------------------------------------------------ group readers
// Each returns 0 when its group was read and 1 when a read failed (the unit
// then stands before the offending record); any error sets IERR to 1.
// IBFLG is the branch type, ISEC0 the sections of the earlier branches,
// NSECB the sections of the branch.
int32_t RDSOUR(int32_t IBFLG, int32_t NNEW, int32_t ISEC0, int32_t NSECB, int32_t& IERR);
int32_t RDSOVA(int32_t IBR, int32_t IBFLG, int32_t ISEC0, int32_t NSECB, int32_t& IERR);
int32_t RDLEAK(int32_t IBR, int32_t IBFLG, int32_t ISEC0, int32_t NSECB, int32_t& IERR);
int32_t CHKBND(int32_t IB, int32_t IBR, int32_t& IERR);
// Reads the profile variables of branch IBR; NVAR gets their number and
// IDX(1..NVAR) their places in the global profile list (IDX holds 260).
int32_t RDPROF(int32_t IBR, int32_t& IERR, int32_t& NVAR, int32_t* IDX);
// Appends the cells IFIRST..ILAST (a section variable: ..ILAST-1), each plus
// IOFF, to the cell list of profile variable K.
int32_t CHKPROF(int32_t K, int32_t IFIRST, int32_t ILAST, int32_t IOFF, int32_t& IERR);
// Id (1..260) of the first short name equal to NAME (6 characters), -1000 when none.
int32_t CHKVAR(const char* NAME, int32_t IUNIT, int32_t& IERR);
// Reports the record the input unit has just failed on.
void RDERR(int32_t IUIN, int32_t IUOUT, std::string_view EXPECT);

// ------------------------------------------------ listing and network file
void RDINPT();
void RDNETW();
// Coordinates of every section midpoint and upstream boundary, and the
// profile points; SECRNG finds the positions of K's cells in LO..HI.
void SECXYZ();
void SECRNG(int32_t K, int32_t ISTART, int32_t LO, int32_t HI, int32_t& IFIRST, int32_t& ILAST,
            int32_t& FOUND);

// ------------------------------------------------ helpers
std::string CTCHAR(double value, char type);  // 20 characters
void LJUST(char* TEXT80, int32_t& IFIRST);
float LININT(float X1, float Y1, float X2, float Y2, float X);
void ISRCH(const int32_t* LIST, int32_t ISTART, int32_t IEND, int32_t LO, int32_t HI,
           int32_t& IFIRST, int32_t& ILAST, int32_t& FOUND);
int32_t SRCIDX(int32_t ID, int32_t IBR, int32_t N);
float PIPFLO(float P, float RHO, float F, float D, float H, float L, float A);

// ------------------------------------------------ values by id and state dump
// Value of result variable ID at cell or item I. An id without a value, or
// an I outside the state, sets IERR 1 and MSG and gives 0.
float GETINP(int32_t ID, int32_t I, int32_t& IERR, char* MSG, int32_t LMSG);
int32_t ICELL(int32_t IBR, int32_t J);
void PLTGAT(int32_t& IERR, char* MSG, int32_t LMSG);
void DUMPST(int32_t& IERR, char* MSG, int32_t LMSG);

// Position list of curve K (its id in IVCURV) from row IROW on, for the cells
// IFIRST..ILAST of branch IBR; NCOUNT gets the curve's position count.
void CRVPOS(int32_t K, int32_t IBR, int32_t IFIRST, int32_t ILAST, int32_t IROW, int32_t& NCOUNT);
// Default profile settings: mark the variables of PT, GT, HOL and LIQC;
// number the positions of one range; both for the whole network.
void PRFKEY(int32_t& IERR, char* MSG, int32_t LMSG);
void PRFRNG(int32_t IFIRST, int32_t ILAST, int32_t IOFF);
void PRFNET(int32_t& IERR, char* MSG, int32_t LMSG);

// ------------------------------------------------ the test entry
// Sets up the network a deck describes as RELEASE does, reads the deck on
// unit 10, writes the input listing to LISTING (unit 77) and the network
// list to NETFILE (unit 13, none when empty). IERR 1 with MSG on any error.
void DECKRUN(const char* DECK, const char* LISTING, const char* NETFILE, int32_t& IERR, char* MSG,
             int32_t LMSG);

}  // namespace rel
