// The Ulv/5 emission file: calendar rules, hourly mass by clock hour, rows
// conserving the mass that reached the surface.
#include "nearfield_fixture.h"

#include <QStringList>

#include <sstream>

namespace {

TEST(Ulv5Calendar, day_of_year_follows_the_gregorian_leap_rule) {
    struct Case {
        int y, m, d, doy;
    };
    const Case cases[] = {
        {2024, 3, 1, 61},    {2023, 3, 1, 60},    {2000, 3, 1, 61},  // 400: leap
        {1900, 3, 1, 60},                                            // 100: not leap
        {2024, 12, 31, 366}, {2023, 12, 31, 365}, {2024, 1, 1, 1},
        {2024, 2, 29, 60},   {2023, 2, 29, 0},    {2024, 4, 31, 0},
        {2024, 13, 1, 0},    {2024, 0, 1, 0},     {2024, 5, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(DayOfYear(c.y, c.m, c.d), c.doy) << c.y << "-" << c.m << "-" << c.d;
}

TEST(Ulv5Calendar, hourly_mass_is_cut_at_clock_hours_after_the_start_minute) {
    // Cumulative mass 0 kg at 0 s, 100 kg at 1800 s, 400 kg at 5400 s.
    const std::vector<MassAtTime> points = {{0, 0}, {1800, 100}, {5400, 400}};
    struct Case {
        int minute;
        std::vector<double> kg;
    };
    const Case cases[] = {
        // clock = plume time: 0..3600 s holds 100 + 300 * 1800/3600 = 250 kg
        {0, {250, 150}},
        // clock = plume time + 1800 s: the first hour ends at plume time 1800 s
        {30, {100, 300}},
        // + 2700 s: ends at 900 s (50 kg), 4500 s (100 + 300 * 2700/3600 = 325)
        {45, {50, 275, 75}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.minute);
        const std::vector<double> kg = HourlyMass(points, c.minute);
        ASSERT_EQ(kg.size(), c.kg.size());
        for (size_t h = 0; h < kg.size(); ++h) EXPECT_NEAR(kg[h], c.kg[h], 1e-9);
    }
    // Nothing arrived: still one row.
    EXPECT_EQ(HourlyMass({{0, 0}}, 0), std::vector<double>{0.0});
}

NearFieldSetup StartAt(int y, int mo, int d, int h, int mi) {
    NearFieldSetup s;
    SetUlv5Start(s, y, mo, d, h, mi);
    s.water_temperature = 15.0f;
    return s;
}

TEST(Ulv5Calendar, rows_roll_over_hours_days_and_years) {
    // 3600 kg in each of the first two clock hours (1000 g/s), 360 kg in the
    // third (100 g/s); the clock starts at minute 30.
    const std::vector<MassAtTime> points = {{0, 0}, {1800, 3600}, {5400, 7200}, {6300, 7560}};
    struct Case {
        NearFieldSetup start;
        const char* text;
    };
    const Case cases[] = {
        {StartAt(2024, 12, 31, 23, 30),  // leap New Year's Eve
         "24 366 24  1000  0.01  288\n25 1 01  1000  0.01  288\n25 1 02  100  0.01  288\n"},
        {StartAt(2023, 12, 31, 22, 30),
         "23 365 23  1000  0.01  288\n23 365 24  1000  0.01  288\n24 1 01  100  0.01  288\n"},
        {StartAt(2024, 2, 28, 23, 30),  // into 29 February
         "24 59 24  1000  0.01  288\n24 60 01  1000  0.01  288\n24 60 02  100  0.01  288\n"},
        {StartAt(2009, 6, 15, 0, 30),
         "09 166 01  1000  0.01  288\n09 166 02  1000  0.01  288\n09 166 03  100  0.01  288\n"},
    };
    for (const Case& c : cases) {
        std::ostringstream os;
        EXPECT_TRUE(WriteUlv5Rows(os, points, c.start));
        EXPECT_EQ(os.str(), c.text);
    }
}

// A series of at most one hour is one row: its total mass x 1000 over its
// duration (first to last point), over 1 s when that is not above 1 s; a
// longer one has the mean of each clock hour.
TEST(Ulv5Calendar, a_release_of_at_most_an_hour_is_one_row_of_its_mean_rate) {
    struct Case {
        const char* what;
        std::vector<MassAtTime> points;
        int minute;
        const char* text;
    };
    const Case cases[] = {
        {"100 kg over 600 s", {{0, 0}, {240, 30}, {600, 100}}, 0, "24 61 13  166.667  0.01  288\n"},
        {"half a second: over 1 s", {{0, 0}, {0.5, 2}}, 0, "24 61 13  2000  0.01  288\n"},
        {"exactly 1 s", {{0, 0}, {1, 2}}, 0, "24 61 13  2000  0.01  288\n"},
        {"one hour exactly", {{0, 0}, {3600, 360}}, 0, "24 61 13  100  0.01  288\n"},
        // 360 kg over 3600 s = 100 g/s; the hour spans two clock hours.
        {"one hour exactly from minute 30",
         {{0, 0}, {3600, 360}},
         30,
         "24 61 13  100  0.01  288\n"},
        // Across the clock hour it is still one row.
        {"half an hour from minute 45", {{0, 0}, {1800, 360}}, 45, "24 61 13  200  0.01  288\n"},
        {"two hours: hourly means",
         {{0, 0}, {3600, 3600}, {7200, 5400}},
         0,
         "24 61 13  1000  0.01  288\n24 61 14  500  0.01  288\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::ostringstream os;
        EXPECT_TRUE(WriteUlv5Rows(os, c.points, StartAt(2024, 3, 1, 12, c.minute)));
        EXPECT_EQ(os.str(), c.text);
    }
}

TEST(Ulv5Calendar, an_invalid_start_writes_nothing) {
    for (const NearFieldSetup& s :
         {StartAt(2023, 2, 29, 0, 0), StartAt(2024, 13, 1, 0, 0), StartAt(0, 1, 1, 0, 0),
          StartAt(2024, 1, 1, 24, 0), StartAt(2024, 1, 1, 0, 60)}) {
        std::ostringstream os;
        EXPECT_FALSE(WriteUlv5Rows(os, {{0, 0}, {10, 1}}, s));
        EXPECT_EQ(os.str(), "");
    }
}

class Ulv5Run : public ::testing::Test {
protected:
    QTemporaryDir dir;
    RowsPlume plume;
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
    bool Prepare(const NearFieldSetup& start, int smoothing) {
        plume.Setup() = start;
        plume.set_smooth_massrate(smoothing);
        return plume.Prepare(SomeSummary(), Path("scen.zef"), 80.0f, 0.1f, 4.0f, "./");
    }
};

// A release of about three hours with a varying rate: the hourly rows of the
// Ulv/5 file hold the whole leaked mass (rate in g/s x 3600 s).
TEST_F(Ulv5Run, rows_conserve_the_leaked_mass) {
    ReleaseRows rows = {{0, 0, 0}};
    float mass = 0;
    for (int i = 1; i <= 120; ++i) {
        const float rate = 20.0f + 15.0f * static_cast<float>(i % 7);  // kg/s
        mass += rate * 90.0f;
        rows.push_back({90.0f * static_cast<float>(i), mass, rate / 60.0f});
    }
    plume.rows = rows;
    for (int smoothing : {0, 4}) {
        SCOPED_TRACE(smoothing);
        ASSERT_TRUE(Prepare(StartAt(2024, 12, 31, 22, 50), smoothing));
        ASSERT_EQ(RunForMessage(plume), 0);
        std::istringstream dat(ReadAll(Path("scen.dat")));
        std::string yy, doy, hh;
        double rate = 0, c = 0, kelvin = 0, total = 0;
        int n = 0;
        while (dat >> yy >> doy >> hh >> rate >> c >> kelvin) {
            total += rate * 3600.0 / 1000.0;
            EXPECT_EQ(c, 0.01);
            EXPECT_EQ(kelvin, 288.0);
            ++n;
        }
        EXPECT_GE(n, 3);
        EXPECT_NEAR(total, mass, mass * 1e-5);
        EXPECT_EQ(FilesIn(dir.path()), (QStringList{"scen.dat", "scen.dbs"}));
        // The files the end-of-run message names.
        EXPECT_EQ(plume.ResultFiles(), (QStringList{Path("scen.dbs"), Path("scen.dat")}));
    }
}

// A ten-minute release through the plume run: the air emission file holds one
// row, the mass that reached the surface over the time it took (the last row of
// the plume file), not that mass spread over an hour.
TEST_F(Ulv5Run, a_short_release_writes_one_row_of_its_mean_rate) {
    plume.rows = {{0, 0, 0}, {300, 60, 0.2f}, {600, 100, 0.1f}};
    ASSERT_TRUE(Prepare(StartAt(2024, 3, 1, 12, 0), 0));
    ASSERT_EQ(RunForMessage(plume), 0);
    std::istringstream dbs(ReadAll(Path("scen.dbs")));
    std::string line, last;
    while (std::getline(dbs, line)) last = line;
    std::istringstream row(last);
    double time = 0, vgas0 = 0, macc = 0;
    ASSERT_TRUE(row >> time >> vgas0 >> macc);
    ASSERT_GT(time, 300.0);
    ASSERT_LT(time, 3600.0);
    EXPECT_NEAR(macc, 100.0, 1e-3);
    std::istringstream dat(ReadAll(Path("scen.dat")));
    std::string yy, doy, hh;
    double rate = 0, c = 0, kelvin = 0;
    ASSERT_TRUE(dat >> yy >> doy >> hh >> rate >> c >> kelvin);
    EXPECT_EQ(yy + " " + doy + " " + hh, "24 61 13");
    EXPECT_NEAR(rate, 100.0 * 1000.0 / time, 1e-3);
    EXPECT_FALSE(dat >> yy);  // the only row
}

TEST_F(Ulv5Run, an_invalid_start_date_fails_and_keeps_the_previous_files) {
    WriteAll(Path("scen.dbs"), "previous\n");
    WriteAll(Path("scen.dat"), "previous dat\n");
    plume.rows = {{0, 0, 0}, {10, 50, 1.0f}};
    ASSERT_TRUE(Prepare(StartAt(2023, 2, 29, 12, 0), 0));
    const ValidationError e = RunForFailure(plume);
    EXPECT_EQ(e.id, 16194u);
    EXPECT_EQ(e.text, "The start date of the Ulv/5 file is not a date.");
    EXPECT_EQ(ReadAll(Path("scen.dbs")), "previous\n");
    EXPECT_EQ(ReadAll(Path("scen.dat")), "previous dat\n");
    EXPECT_EQ(FilesIn(dir.path()), (QStringList{"scen.dat", "scen.dbs"}));
    EXPECT_FALSE(plume.HasResult());
}

}  // namespace
