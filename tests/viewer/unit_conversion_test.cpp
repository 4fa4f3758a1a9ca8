// Unit conversion and the choice of time and display units. Reference values
// are worked by hand from the definitions: 1 ft = 0.3048 m, 1 lb = 0.45359237 kg,
// 1 psi = 6894.757 Pa, 1 bbl = 0.158987 m3, °F = °C * 9/5 + 32, 1 dyne = 1e-5 N.
#include "plot_data.h"
#include "test_support.h"
#include "unit_conversion.h"

#include <cmath>

namespace tessel {
namespace {

constexpr double kRelative = 1e-6;     // the table's factors carry 7 digits
constexpr double kTemperature = 1e-4;  // the °F row's factor 0.555555555 and offset 255.37222

void ExpectNear(double actual, double expected, double tolerance, const std::string& what) {
    EXPECT_NEAR(actual, expected, tolerance * std::max(1.0, std::fabs(expected))) << what;
}

TEST(cnvUnit, ConvertsThroughTheBaseUnit) {
    const struct {
        double value;
        const char* in;
        const char* out;
        double expected;
        double tolerance;
    } cases[] = {
        {200000, "N/M2", "bar", 2, kRelative},
        {1, "psi", "bar", 0.06894757, kRelative},
        {20, "DEG C", "°F", 68, kTemperature},
        {20, "degc", "°c", 20, kRelative},
        {32, "°F", "C", 0, kTemperature},
        {100, "K", "degc", -173.15, kRelative},
        {1, "SM3/S", "Sm3/d", 86400, kRelative},
        {1, "m3/s", "ft3/d", 86400 / (0.3048 * 0.3048 * 0.3048), kRelative},
        {1, "BAR", "psi", 100000 / 6894.757, kRelative},
        {10, "ft", "m", 3.048, kRelative},
        {1, "kg", "lb", 1 / 0.45359237, kRelative},
        {1, "bbl", "m³", 0.158987, kRelative},
        {1, "msm³/d", "sm3/d", 1e6, kRelative},
        {1, "mmscfd", "sm³/d", 28316.846592, kRelative},
        {1, "n/m", "dyne/cm", 1000, kRelative},
        {1, "lb/ft3", "kg/m3", 16.01846, kRelative},
        {2, "bar", "m", 200000, kRelative},  // no quantity check
    };
    for (const auto& c : cases) {
        QString err = QStringLiteral("stale");
        const double result =
            cnvUnit(c.value, QString::fromUtf8(c.in), QString::fromUtf8(c.out), err);
        EXPECT_TRUE(err.isEmpty()) << c.in << " -> " << c.out << ": " << err.toStdString();
        ExpectNear(result, c.expected, c.tolerance, std::string(c.in) + " -> " + c.out);
    }
}

TEST(cnvUnit, UnknownUnitsGiveTheirErrorAndZero) {
    const struct {
        const char* in;
        const char* out;
        QString error;
    } cases[] = {
        {"KG", "", kUnknownOutputUnit},      {"KG", "stone", kUnknownOutputUnit},
        {"furlong", "m", kUnknownInputUnit}, {" bar", "bar", kUnknownInputUnit},  // blanks count
        {"W", "W", kUnknownInputUnit},
    };
    for (const auto& c : cases) {
        QString err;
        EXPECT_EQ(cnvUnit(5, QString::fromUtf8(c.in), QString::fromUtf8(c.out), err), 0.0) << c.in;
        EXPECT_EQ(err, c.error) << c.in << " -> " << c.out;
    }
}

TEST(DisplayUnits, EveryFileUnitConvertsInSiAndEnglish) {
    // One unit of each file unit, in the SI and the English display unit.
    const double ft = 0.3048, lb = 0.45359237, ft3 = ft * ft * ft;
    const struct {
        const char* fileUnit;
        const char* si;
        double inSi;
        const char* english;
        double inEnglish;
    } cases[] = {
        {"%", "%", 1, "%", 1},
        {"PPM", "ppm", 1, "ppm", 1},
        {"M", "m", 1, "ft", 1 / ft},
        {"MM", "mm", 1, "in", 1 / 25.4},
        {"M/S", "m/s", 1, "ft/s", 1 / ft},
        {"CM/S", "cm/s", 1, "ft/s", 0.01 / ft},
        {"S", "sec", 1, "sec", 1},
        {"SEC", "sec", 1, "sec", 1},
        {"M2/S", "m2/s", 1, "ft2/s", 1 / (ft * ft)},
        {"KG", "kg", 1, "lb", 1 / lb},
        {"KG/S", "kg/s", 1, "lb/s", 1 / lb},
        {"SM3/S", "Sm3/d", 86400, "scft/d", 86400 / ft3},
        {"M3/S", "m3/d", 86400, "ft3/d", 86400 / ft3},
        {"KG/M3", "kg/m3", 1, "lb/ft3", ft3 / lb},
        {"N/M2", "bar", 1e-5, "psi", 1 / 6894.757},
        {"DEG C", "°C", 1, "°F", 33.8},
        {"C", "°C", 1, "°F", 33.8},
        {"°C", "°C", 1, "°F", 33.8},
        {"DEGC", "°C", 1, "°F", 33.8},
        {"M3", "m3", 1, "bbls", 1 / 0.158987},
        {"N/M", "N/m", 1, "dyne/cm", 1000},
    };
    std::vector<QString> covered;
    for (const auto& c : cases) {
        const QString fileUnit = QString::fromUtf8(c.fileUnit);
        covered.push_back(fileUnit);
        for (int unitSys : {1, 2}) {
            bool known = false;
            const QString display = DisplayUnitFor(fileUnit, unitSys, known);
            EXPECT_TRUE(known) << c.fileUnit;
            EXPECT_EQ(display, QString::fromUtf8(unitSys == 1 ? c.si : c.english)) << c.fileUnit;
            QString err;
            const double value = cnvUnit(1, fileUnit, display, err);
            EXPECT_TRUE(err.isEmpty())
                << c.fileUnit << " -> " << display.toStdString() << ": " << err.toStdString();
            const bool temperature = display.startsWith(QStringLiteral("°"));
            ExpectNear(value, unitSys == 1 ? c.inSi : c.inEnglish,
                       temperature ? kTemperature : kRelative,
                       std::string(c.fileUnit) + " -> " + display.toStdString());
        }
    }
    EXPECT_EQ(covered, DisplayTableFileUnits()) << "every row of the display table is checked";
    bool known = true;
    EXPECT_TRUE(DisplayUnitFor(QStringLiteral("kg/s"), 1, known) == QStringLiteral("kg/s") && known)
        << "file units compare upper-cased";
    EXPECT_TRUE(DisplayUnitFor(QStringLiteral("W"), 1, known).isEmpty());
    EXPECT_FALSE(known);
}

TEST(DisplayUnits, TimeUnitFromTheLastTime) {
    const struct {
        double last;
        const char* unit;
        double divisor;
    } cases[] = {{0, "[sec]", 1},           {119, "[sec]", 1},         {120, "[min]", 60},
                 {7199.9, "[min]", 60},     {7200, "[hours]", 3600},   {172799, "[hours]", 3600},
                 {172800, "[days]", 86400}, {2592000, "[days]", 86400}};
    for (const auto& c : cases) {
        const TimeUnit unit = TimeUnitFor(c.last);
        EXPECT_EQ(unit.text, QString::fromUtf8(c.unit)) << c.last;
        EXPECT_EQ(unit.divisor, c.divisor) << c.last;
    }
}

ResultData TwoRows(const QString& unit, double last, std::vector<double> values, int unitSys) {
    ResultData data;
    data.UnitSys = unitSys;
    data.IsPlt = true;
    data.nCol = 1;
    data.Vname = {QStringLiteral("Time"), QStringLiteral("Pressure")};
    data.Vunit = {QStringLiteral("S"), unit};
    data.Tdata = {0.0, last};
    data.Ydata = {{}, std::move(values)};
    data.nRow = 2;
    return data;
}

TEST(PlotColumn, ConvertsToTheDisplayUnitWithTitles) {
    test::MessageRecorder recorder;
    PlotColumn column;
    ASSERT_TRUE(BuildPlotColumn(TwoRows(QStringLiteral("N/M2"), 7200, {6894.757, 2 * 6894.757}, 2),
                                1, column));
    EXPECT_TRUE(recorder.messages().empty());
    EXPECT_EQ(column.displayUnit, QStringLiteral("psi"));
    EXPECT_EQ(column.valueTitle, QStringLiteral("Pressure [psi]"));
    EXPECT_EQ(column.timeTitle, QStringLiteral("Time [hours]"));
    EXPECT_EQ(column.x, (std::vector<double>{0, 2}));
    EXPECT_NEAR(column.y[0], 1, 1e-12);
    EXPECT_NEAR(column.y[1], 2, 1e-12);

    ASSERT_TRUE(BuildPlotColumn(TwoRows(QStringLiteral("DEG C"), 60, {20, 100}, 2), 1, column));
    EXPECT_NEAR(column.y[0], 68, kTemperature);
    EXPECT_NEAR(column.y[1], 212, kTemperature);
    EXPECT_EQ(column.timeTitle, QStringLiteral("Time [sec]"));
}

TEST(PlotColumn, ValuesAreRoundedTo15Decimals) {
    EXPECT_EQ(RoundTo15Decimals(0.1 + 0.2), 0.3);
    EXPECT_EQ(RoundTo15Decimals(4e-16), 0.0);
    EXPECT_EQ(RoundTo15Decimals(-6e-16), -1e-15);
    EXPECT_EQ(RoundTo15Decimals(123456.5), 123456.5);
}

TEST(PlotColumn, UnknownUnitIsReportedAndNothingDrawn) {
    test::MessageRecorder recorder;
    PlotColumn column;
    EXPECT_FALSE(BuildPlotColumn(TwoRows(QStringLiteral("W"), 60, {1, 2}, 1), 1, column));
    ASSERT_EQ(recorder.messages().size(), 2u);
    EXPECT_EQ(recorder.messages()[0].text, QStringLiteral("W not defined in updateplot!"));
    EXPECT_EQ(recorder.messages()[0].title, kPlotTitle);
    EXPECT_EQ(recorder.messages()[1].text, kUnknownInputUnit);
    EXPECT_EQ(recorder.messages()[1].title, kPlotTitle);
    EXPECT_EQ(recorder.messages()[1].flags, MB_ICONEXCLAMATION);
}

TEST(PlotColumn, FewerThanTwoRowsDrawNothingSilently) {
    test::MessageRecorder recorder;
    ResultData data = TwoRows(QStringLiteral("KG"), 60, {1, 2}, 1);
    data.nRow = 1;
    PlotColumn column;
    EXPECT_FALSE(BuildPlotColumn(data, 1, column));
    EXPECT_TRUE(recorder.messages().empty());
}

}  // namespace
}  // namespace tessel
