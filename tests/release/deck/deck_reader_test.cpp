// The group readers: every message text, the result, the error flag and
// where the input unit stands afterwards, on a one-branch network of 7
// sections (local sections 1..5 are cells 2..6).
#include <gtest/gtest.h>

#include <functional>

#include "deck/deck.h"
#include "deck_support.h"
#include "rt/fortio.h"
#include "run/state.h"

using namespace rel;
using decktest::Units;

namespace {

enum Reader { SOUR, BND, SOVA, LEAK, PROF };

struct Case {
    const char* name;
    Reader reader;
    std::string deck;
    int32_t result, ierr;
    std::vector<std::string> block;  // message lines, without their indentation
    std::string next;                // the record the unit stands before afterwards
    std::function<void()> before = [] {};
};

// A message on the log: two empty lines, then its lines indented by five blanks.
std::vector<std::string> message(const std::vector<std::string>& lines) {
    std::vector<std::string> m = {"", ""};
    for (auto& l : lines) m.push_back("     " + l);
    return m;
}

int32_t run(Reader r, int32_t& IERR) {
    switch (r) {
        case SOUR:
            EQUIPM.NSOUR += 1;
            return RDSOUR(0, 1, 0, 7, IERR);
        case BND:
            return CHKBND(1, 1, IERR);
        case SOVA:
            return RDSOVA(1, 0, 0, 7, IERR);
        case LEAK:
            return RDLEAK(1, 0, 0, 7, IERR);
        case PROF: {
            int32_t n = 0, idx[Pltctl::MXPRV];
            return RDPROF(1, IERR, n, idx);
        }
    }
    return -1;
}

const std::string SRC = "ERROR IN GROUP BOUNDARY COND. - ";
const std::string BC = "ERROR IN GROUP BOUNDARY CONDITION:";
const std::string AT = "FOR BOUNDARY 1 IN BRANCH  1";
const std::string B11 = "BOUNDARY 1 IN BRANCH  1";
const std::string SV = "ERROR IN GROUP SOVA. ";
const std::string VALVE = "SOURCE VALVE    1, BRANCH    1";
const std::string VREC = "3 0.8 0.1 1 -0.5 1\n";
const std::string LK = "ERROR IN GROUP LEAK. ";
const std::string LK1 = "LEAKAGE    1, BRANCH    1";
const std::string LK2 = "LEAKAGE     1, BRANCH    1";
const std::string LREC = "2 0.84 0.05 1 0\n";
const std::string PP = "ERROR IN GROUP PROFILE PLOT: ";

std::vector<Case> cases() {
    return {
        // sources
        {"source_read", SOUR, "1 2\n0 100\n20 25\n1 2\n0 1\n", 0, 0, {}, "<end>"},
        {"source_section_unreadable",
         SOUR,
         "x 2\n",
         1,
         1,
         {SRC + "TRIED TO READ", "THE SECTION NUMBER FOR SOURCE NUMBER   1"},
         "x 2"},
        {"source_section_out_of_range",
         SOUR,
         "6 1\n0\n20\n1\n0\n",
         0,
         1,
         {SRC + "SOURCE NUMBER", "   1 IS OUT OF RANGE :   6 SECTION NUMBER WHERE",
          "SOURCE IS GIVEN MUST BE BETWEEN 1 AND ", "NUMBER OF SECTIONS,   5"},
         "<end>"},
        {"source_21_points",
         SOUR,
         "1 21\nA\nB\nC\nD\nnext\n",
         0,
         1,
         {SRC + "NUMBER OF TIME", "POINTS FOR SOURCE NO.   1 IS OUT OF RANGE,",
          "IT MUST BE A NUMBER BETWEEN 1 AND 20, NOT :  21"},
         "next"},
        {"source_0_points",
         SOUR,
         "1 0\nA\nB\nC\nD\n",
         0,
         1,
         {SRC + "NUMBER OF TIME", "POINTS FOR SOURCE NO.   1 IS OUT OF RANGE,",
          "IT MUST BE A NUMBER BETWEEN 1 AND 20, NOT :   0"},
         "<end>"},
        {"source_points_beyond_tables",
         SOUR,
         "1 11\nA\nB\nC\nD\n",
         0,
         1,
         {SRC + "NUMBER OF TIME", "POINTS FOR SOURCE NO.   1 IS MORE THAN THE TABLES HOLD,",
          "IT MUST BE A NUMBER BETWEEN 1 AND 10, NOT :  11"},
         "<end>"},
        {"source_negative_time_goes_on",
         SOUR,
         "1 2\n-5 100\n20 20\n1 1\n0 0\n",
         0,
         1,
         {SRC + "TIME POINT",
          "FOR RIGHT BOUNDARY PRESSURE ARE LESS THAN 0. :" + rt::fG(-5.0, 12, 3)},
         "<end>"},
        {"source_times_too_short",
         SOUR,
         "1 2\n0\n",
         1,
         1,
         {SRC + "TRIED TO READ", "THE TIME POINTS FOR SOURCE NUMBER   1"},
         "0"},
        {"source_temperatures",
         SOUR,
         "1 2\n0 1\nx 1\n",
         1,
         1,
         {SRC + "TRIED TO READ", "THE TEMPERATURES FOR SOURCE NUMBER   1"},
         "x 1"},
        {"source_gas",
         SOUR,
         "1 2\n0 1\n1 1\n1\n",
         1,
         1,
         {SRC + "TRIED TO READ", "THE GAS MASS FLOW FOR SOURCE NUMBER   1"},
         "1"},
        {"source_liquid",
         SOUR,
         "1 2\n0 1\n1 1\n1 1\n",
         1,
         1,
         {SRC + "TRIED TO READ", "THE LIQUID MASS FLOW FOR SOURCE NUMBER   1"},
         "<end>"},
        // void-fraction data of a branch end
        {"end_without_void_data", BND, "0\nnext\n", 0, 0, {}, "next"},
        {"ivaral_unreadable",
         BND,
         "a\n",
         1,
         1,
         {BC, "TRIED TO READ VARIABLE IVARAL(IB,IBR)", AT},
         "a"},
        {"ivaral_2",
         BND,
         "2\n",
         1,
         1,
         {BC, "INPUT VARIABLE IVARAL(IB,IBR) FOR", B11 + " MUST BE", "0 OR 1, NOT      2"},
         "<end>"},
        {"congov_unreadable",
         BND,
         "1\n\n",
         1,
         1,
         {BC, "TRIED TO READ VARIABLE CONGOV(IB,IBR)", AT},
         ""},
        {"congov_3",
         BND,
         "1\n3\n",
         1,
         1,
         {BC, "INPUT VARIABLE CONGOV(IB,IBR) FOR", B11 + " MUST BE", "0 OR 1, NOT      3"},
         "<end>"},
        {"naltim_not_whole",
         BND,
         "1\n0\n1.5\n",
         1,
         1,
         {BC, "TRIED TO READ VARIABLE NALTIM(IB,IBR)", AT},
         "1.5"},
        {"naltim_beyond_table",
         BND,
         "1\n0\n11\n",
         1,
         1,
         {BC, "INPUT VARIABLE NALTIM(IB,IBR) FOR", B11 + " MUST BE",
          "BETWEEN 0 AND 10, NOT     11"},
         "<end>"},
        {"timal_too_short",
         BND,
         "1\n0\n2\n0\n",
         1,
         1,
         {BC, "TRIED TO READ VARIABLE TIMAL(IB,IBR,I)", AT},
         "0"},
        {"alser_too_short",
         BND,
         "1\n0\n2\n0 10\n0.5\n",
         1,
         1,
         {BC, "TRIED TO READ VARIABLE ALSER(IB,IBR,I)", AT},
         "0.5"},
        {"alser_above_1",
         BND,
         "1\n0\n2\n0 10\n0.5 1.5\n",
         1,
         1,
         {BC, "INPUT VARIABLE ALSER(IB,IBR,I) FOR", "TIME SERIES POINT  2 BOUNDARY 1",
          "IN BRANCH  1 MUST BE BETWEEN 0.0 AND 1.0,", "NOT " + rt::fG(1.5, 12, 3)},
         "<end>"},
        {"void_time_series", BND, "1\n0\n2\n0 10\n0.5 1.0\n", 0, 0, {}, "<end>"},
        {"nconal_unreadable",
         BND,
         "1\n1\n2\n",
         1,
         1,
         {BC, "TRIED TO READ VARIABLES NCONAL(IB,IBR)", "AND BOUSEL(IB,IBR) FOR BOUNDARY 1",
          "IN BRANCH  1"},
         "2"},
        {"bousel_2",
         BND,
         "1\n1\n2 2\n",
         1,
         1,
         {BC, "INPUT VARIABLE BOUSEL(IB,IBR) FOR", B11 + " MUST", "BE BETWEEN 0 OR 1, NOT  2"},
         "<end>"},
        {"nconal_beyond_table",
         BND,
         "1\n1\n6 0\n",
         1,
         1,
         {BC, "INPUT VARIABLE NCONAL(IB,IBR) FOR", B11 + " MUST",
          "BE BETWEEN 0 AND  5, NOT      6"},
         "<end>"},
        {"conral_too_short",
         BND,
         "1\n1\n2 0\n7\n",
         1,
         1,
         {BC, "TRIED TO READ VARIABLE CONRAL(IB,IBR,I)", AT},
         "7"},
        {"albmin_albmax_too_short",
         BND,
         "1\n1\n2 0\n7 8\n0.1\n",
         1,
         1,
         {BC, "TRIED TO READ VARIABLES ALBMIN(IB,IBR)", "AND ALBMAX(IB,IBR) FOR BOUNDARY 1",
          "IN BRANCH  1"},
         "0.1"},
        {"albmin_below_0",
         BND,
         "1\n1\n2 0\n7 8\n-0.1 0.9\n",
         1,
         1,
         {BC, "INPUT VARIABLE ALBMIN(IB,IBR) FOR", B11 + " MUST",
          "BE BETWEEN 0.0 AND 1.0, NOT " + rt::fG(-0.1f, 12, 3)},
         "<end>"},
        {"albmax_above_1",
         BND,
         "1\n1\n2 0\n7 8\n0.1 1.2\n",
         1,
         1,
         {BC, "INPUT VARIABLE ALBMAX(IB,IBR) FOR", B11 + " MUST",
          "BE BETWEEN 0.0 AND 1.0, NOT " + rt::fG(1.2f, 12, 3)},
         "<end>"},
        {"void_by_controllers", BND, "1\n1\n2 1\n7 8\n0.1 0.9\n", 0, 0, {}, "<end>"},
        // source valves
        {"no_source_valves", SOVA, "0\nnext\n", 0, 0, {}, "next"},
        {"valve_count_unreadable",
         SOVA,
         "z\n",
         1,
         1,
         {SV, " BRANCH    1", "TRIED TO READ NUMBER OF SOURCES WITH VALVES."},
         "z"},
        {"valve_record_too_short",
         SOVA,
         "1\n3 0.8 0.1 1 -0.5\n",
         1,
         1,
         {SV, VALVE, "TRIED TO READ DATA FOR SOURCE VALVE "},
         "3 0.8 0.1 1 -0.5"},
        {"valve_section_outside",
         SOVA,
         "1\n9 0.8 0.1 1 -0.5 1\n0\n\n\n\n",
         0,
         1,
         {SV, VALVE, "SECTION NUMBER MUST BE WITHIN BRANCH:    9", "BRANCH GOES FROM 1 TO    5"},
         "<end>"},
        {"rssova_zero_refused",
         SOVA,
         "1\n3 0.8 0.1 1 0.0 1\n0\n\n\n\n",
         0,
         1,
         {SV, VALVE, "AT THE MOMENT ONLY NATURAL GAS UNDER ",
          "EQUILIBRIUM CONDITIONES ARE ALLOWED ",
          " ==> THE INPUT PARAMETER RSSOVA MUST BE NEGATIV ", "NOT :  0.000"},
         "<end>"},
        {"valve_points_unreadable",
         SOVA,
         "1\n" + VREC + "q\n",
         1,
         1,
         {SV, VALVE, "TRIED TO READ NUMBER OF TIMEPOINTS "},
         "q"},
        {"valve_too_many_points",
         SOVA,
         "1\n" + VREC + "11\nA\nB\nC\n",
         0,
         1,
         {SV, VALVE, "TOO MANY TIME POINTS SPECIFIED:   11",
          "MAXIMUM NUMBER ALLOWED:           10"},
         "<end>"},
        {"valve_times",
         SOVA,
         "1\n" + VREC + "2\n0\n",
         1,
         1,
         {SV, VALVE, "TRIED TO READ TIMEPOINTS "},
         "0"},
        {"valve_pressures",
         SOVA,
         "1\n" + VREC + "2\n0 1\n5\n",
         1,
         1,
         {SV, VALVE, "TRIED TO READ PRESSURE POINTS "},
         "5"},
        {"valve_temperatures",
         SOVA,
         "1\n" + VREC + "2\n0 1\n5 5\n7\n",
         1,
         1,
         {SV, VALVE, "TRIED TO READ TEMPERATURE POINTS "},
         "7"},
        {"valves_beyond_five",
         SOVA,
         "2\n" + VREC + "0\n\n\n\n" + VREC + "0\n\n\n\n",
         0,
         1,
         {SV, "TOTAL NUMBER OF SOURCE VALVES TO BIG:    6",
          "MAXIMUM NUMBER ALLOWED:                  5"},
         "<end>",
         [] { EQUIPM.NVSRC = 4; }},
        // leakages
        {"no_leakages", LEAK, "0\nnext\n", 0, 0, {}, "next"},
        {"leak_count_unreadable",
         LEAK,
         "z\n",
         1,
         1,
         {LK, " BRANCH    1", "TRIED TO READ NUMBER OF LEAKAGES. "},
         "z"},
        {"leak_record_too_short",
         LEAK,
         "1\n2 0.84 0.05 1\n",
         1,
         1,
         {LK, LK2, "TRIED TO READ DATA FOR LEAKAGE "},
         "2 0.84 0.05 1"},
        {"leak_negative_number",
         LEAK,
         "1\n2 0.84 0.05 -3 0\n0\n\n\n",
         0,
         1,
         {"ERROR IN GROUP LEAK.", "LEAKAGE NO.    1 IN BRANCH   1",
          "HAS A NEGATIVE LEAK NUMBER :   -3", "WHICH IS NOT ALLOWED."},
         "<end>"},
        {"leak_section_outside",
         LEAK,
         "1\n0 0.84 0.05 1 0\n0\n\n\n",
         0,
         1,
         {LK, LK1, "SECTION NUMBER MUST BE WITHIN BRANCH:    0", "BRANCH GOES FROM 1 TO    5"},
         "<end>"},
        {"leak_points_unreadable",
         LEAK,
         "1\n" + LREC + "q\n",
         1,
         1,
         {LK, LK2, "TRIED TO READ NUMBER OF TIMEPOINTS "},
         "q"},
        {"leak_too_many_points",
         LEAK,
         "1\n" + LREC + "11\nA\nB\n",
         0,
         1,
         {LK, LK1, "TOO MANY TIME POINTS SPECIFIED:   11", "MAXIMUM NUMBER ALLOWED:           10"},
         "<end>"},
        {"leak_times",
         LEAK,
         "1\n" + LREC + "2\n0\n",
         1,
         1,
         {LK, LK2, "TRIED TO READ TIMEPOINTS "},
         "0"},
        {"leak_pressures",
         LEAK,
         "1\n" + LREC + "2\n0 1\n5\n",
         1,
         1,
         {LK, LK1, "TRIED TO READ PRESSURE POINTS "},
         "5"},
        {"leaks_beyond_five",
         LEAK,
         "1\n" + LREC + "0\n\n\n",
         0,
         1,
         {LK, "TOTAL NUMBER OF LEAKAGES TO BIG:    6",
          "MAXIMUM NUMBER ALLOWED:                  5"},
         "<end>",
         [] { EQUIPM.NLEAK = 5; }},
        // profile plot
        {"no_profile_variables", PROF, "0\nnext\n", 0, 0, {}, "next"},
        {"profile_count_unreadable",
         PROF,
         "n\n",
         1,
         1,
         {PP, "TRIED TO READ NUMBER OF VARIABLES ", "TO BE PLOTTED PROFILE PLOT OF IN ",
          "BRANCH   1"},
         "n"},
        {"profile_names_too_few",
         PROF,
         "2\nPT\n",
         1,
         1,
         {PP, "TRIED TO READ VARIABLES TO BE PLOTTED", "PROFILE PLOT OF IN BRANCH   1"},
         "PT"},
        {"profile_name_unknown",
         PROF,
         "1\nXYZ\n",
         1,
         1,
         {PP, "UNIDENTIFIED VARIABLE NAME XYZ   ", "IN BRANCH   1"},
         "XYZ"},
        {"profile_name_twice",
         PROF,
         "2\nPT PT\n",
         1,
         1,
         {PP, "ATTEMPTS TO PLOT THE VARIABLE PT    ", "MORE THAN ONE TIME IN BRANCH   1"},
         "PT PT"},
        {"profile_count_beyond_list",
         PROF,
         "261\n",
         1,
         1,
         {PP, "NUMBER OF VARIABLES TO BE PLOTTED MUST BE",
          "BETWEEN 0 AND 260, NOT    261 IN BRANCH   1"},
         "261"},
    };
}

class ReaderCase : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(ReaderCase, LogResultFlagAndPosition) {
    const Case& c = GetParam();
    decktest::small_network();
    c.before();
    Units u(c.deck, c.name);
    int32_t IERR = 0;
    const int32_t result = run(c.reader, IERR);
    const std::string next = Units::next_record();
    const auto log = u.finish();
    EXPECT_EQ(result, c.result);
    EXPECT_EQ(IERR, c.ierr);
    EXPECT_EQ(next, c.next);
    if (c.block.empty())
        EXPECT_TRUE(log.empty()) << decktest::show(log);
    else
        EXPECT_TRUE(decktest::has_block(log, message(c.block))) << decktest::show(log);
}

INSTANTIATE_TEST_SUITE_P(Deck, ReaderCase, ::testing::ValuesIn(cases()),
                         [](const auto& p) { return std::string(p.param.name); });
