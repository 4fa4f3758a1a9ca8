// The network object dialogs driven like a user: what a number field
// refuses, and that OK without an edit leaves every stored value as it was.
#include <gtest/gtest.h>

#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QLineEdit>
#include <QTest>
#include <QPushButton>
#include <QRegularExpression>
#include <bit>
#include <cstdint>

#include "message_box.h"
#include "object_dlgs.h"
#include "scenario_script.h"

namespace {

class ObjectDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s.Start());
        s.app->GetSettings().SetToolReset(true);
        s.app->GetSettings().SetDisplayUnits(0);
        s.Main()->show();
    }

    // Types the text into the field and presses OK; true when the dialog
    // stayed open with "Enter a number." (or, for a number outside the
    // field's range, "Enter a number between ... and ...") and the focus in
    // that field.
    bool Refused(diagram_object* obj, int field, const QString& text) {
        boxes.Clear();
        bool open = false, focused = false;
        s.Properties(
            obj,
            [&](CDialog* d) {
                ScenarioScript::SetText(d, IDC_LABEL, "L");
                ScenarioScript::SetText(d, field, text);
                d->Item<QPushButton>(IDOK)->click();
                open = !d->IsEnded();
                focused = d->focusWidget() == d->GetDlgItem(field);
            },
            IDCANCEL);
        const bool said = boxes.Texts() == QStringList{"Enter a number."} ||
                          (boxes.Texts().size() == 1 && RangeIn(boxes.Texts().front()));
        EXPECT_EQ(open, said) << text.toStdString();
        EXPECT_EQ(open, focused) << text.toStdString();
        return open && said;
    }

    // The limits a range message names, when it is one ("above 0" gives a
    // low of 0 and *aboveZero true).
    static bool RangeIn(const QString& message, double* low = nullptr, double* high = nullptr,
                        bool* aboveZero = nullptr) {
        static const QRegularExpression range(QStringLiteral(
            "^Enter a number (?:between (\\S+) and|above 0 and at most) (\\S+)\\.$"));
        const QRegularExpressionMatch m = range.match(message);
        if (!m.hasMatch()) return false;
        if (low) *low = m.captured(1).toDouble();
        if (high) *high = m.captured(2).toDouble();
        if (aboveZero) *aboveZero = m.captured(1).isEmpty();
        return true;
    }

    struct OneOfEach {
        diagram_object *pipe, *inlet, *outlet, *junction, *join, *leak;
    };
    OneOfEach DrawOneOfEach() {
        return {s.AddPipeline({1, 6}, {4, 7}),    s.Add(ID_TOOL_INLET, {1, 1}),
                s.Add(ID_TOOL_OUTLET, {4, 1}),    s.Add(ID_TOOL_JUNCTION, {7, 1}),
                s.Add(ID_TOOL_PIPEJOIN, {10, 1}), s.Add(ID_TOOL_LEAKAGE, {13, 1})};
    }

    ScriptedMessageBoxes boxes;
    ScenarioScript s;
};

uint64_t bits(double v) { return std::bit_cast<uint64_t>(v); }

}  // namespace

TEST_F(ObjectDialogs, NumberFieldsRefuseWhatIsNotAFiniteFloatInRange) {
    auto [pipe, inlet, outlet, junction, join, leak] = DrawOneOfEach();
    (void)join;
    const struct Kind {
        const char* name;
        diagram_object* obj;
        int field;
        const char* valid;
        bool negativeTaken, zeroTaken;
    } kinds[] = {
        {"length", pipe, IDC_LENGTH, "450", false, false},
        {"pipe diameter", pipe, IDC_DIAMETER, "300", false, false},  // mm
        {"roughness", pipe, IDC_ROUGHNESS, "0.05", false, true},
        {"heat transfer", pipe, IDC_HEATTRANS, "20", false, true},
        {"ambient temperature", pipe, IDC_TEMP, "4", true, true},
        {"depth", junction, IDC_DEPTH, "120", false, true},
        {"gas rate", inlet, IDC_FLOWRATE, "1e6", false, true},
        {"inlet temperature", inlet, IDC_TEMP, "60", true, true},
        {"closing time", inlet, IDC_CLOSINGTIME, "600", true, true},
        // bar; the run starts from no outlet pressure below 1.818 bar
        {"outlet pressure", outlet, IDC_PRESSURE, "50", false, false},
        {"leak distance", leak, IDC_DISTANCE, "200", false, true},
        {"leak diameter", leak, IDC_DIAMETER, "50", false, false},
        {"water depth", leak, IDC_DEPTH, "100", false, true},
    };
    for (const Kind& k : kinds) {
        SCOPED_TRACE(k.name);
        // A field left as it was is not judged (its value is kept), so the
        // stored value must differ from every entry below.
        EXPECT_FALSE(Refused(k.obj, k.field, k.valid));
        for (const char* bad : {"1e39", "abc", "inf", "nan", ""})
            EXPECT_TRUE(Refused(k.obj, k.field, bad)) << bad;
        EXPECT_EQ(Refused(k.obj, k.field, "-1"), !k.negativeTaken);
        EXPECT_EQ(Refused(k.obj, k.field, "0"), !k.zeroTaken);
        EXPECT_FALSE(Refused(k.obj, k.field, k.valid));
    }
    // What was taken last is stored, in internal units.
    EXPECT_DOUBLE_EQ(as_pipeline(pipe)->length, 450.0);
    EXPECT_NEAR(as_pipeline(pipe)->diameter, 0.3, 1e-7);
    EXPECT_NEAR(as_point_object(outlet)->pressure, 5.0e6, 1.0);
    EXPECT_EQ(as_point_object(inlet)->closingtime, 600);
    EXPECT_NEAR(as_spill_point(leak)->diameter, 0.05, 1e-8);
}

// A number outside a field's range is refused with the range, in the units
// the field shows (English here: feet, inches, degrees Fahrenheit).
TEST_F(ObjectDialogs, OutOfRangeNumbersAreRefusedNamingTheRangeInDisplayUnits) {
    auto [pipe, inlet, outlet, junction, join, leak] = DrawOneOfEach();
    (void)join;
    s.app->GetSettings().SetDisplayUnits(1);
    // The tops by hand: 11 km = 36,089.2 ft, 2000 km = 6.56168e6 ft, 1e9 Sm3/d
    // = 3.53147e10 scf/d (35.3147 ft3 a m3), 235 C = 455 F, 2 m = 78.7402 in;
    // the coldest temperature any property table serves, -180 C = -292 F; the
    // outlet pressures the run starts from, 181,818.17 to 90,909,080 Pa =
    // 26.3705 to 13,185.2 psi (6,894.757 Pa a psi).
    const struct {
        const char* name;
        diagram_object* obj;
        int field;
        const char* text;
        double low;   // as shown; -1: 0 excluded ("above 0")
        double high;  // as shown
    } cases[] = {
        {"junction depth", junction, IDC_DEPTH, "-100", 0.0, 36089.2},
        {"junction depth above the deepest sea", junction, IDC_DEPTH, "40000", 0.0, 36089.2},
        {"leak water depth", leak, IDC_DEPTH, "-100", 0.0, 36089.2},
        {"leak distance", leak, IDC_DISTANCE, "-5", 0.0, 6.56168e6},
        {"inlet rate", inlet, IDC_FLOWRATE, "-1", 0.0, 3.53147e10},
        {"inlet temperature", inlet, IDC_TEMP, "-500", -292.0, 455.0},
        {"inlet temperature of 10,000 F", inlet, IDC_TEMP, "10000", -292.0, 455.0},
        {"inlet temperature of 1e40 F", inlet, IDC_TEMP, "1e40", -292.0, 455.0},
        {"pipe diameter", pipe, IDC_DIAMETER, "0", -1.0, 78.7402},
        {"pipe bore of 711 km", pipe, IDC_DIAMETER, "2.8e7", -1.0, 78.7402},
        {"pipe length of 1e40 ft", pipe, IDC_LENGTH, "1e40", -1.0, 6.56168e6},
        {"outlet pressure of 26.37 psi", outlet, IDC_PRESSURE, "26.37", 26.3705, 13185.2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Refused(c.obj, c.field, c.text));
        double low = 0, high = 0;
        bool aboveZero = false;
        ASSERT_EQ(boxes.Texts().size(), 1);
        ASSERT_TRUE(RangeIn(boxes.Texts().front(), &low, &high, &aboveZero))
            << boxes.Texts().front().toStdString();
        EXPECT_EQ(aboveZero, c.low == -1.0) << boxes.Texts().front().toStdString();
        if (c.low != -1.0) {
            EXPECT_NEAR(low, c.low, 1e-4);
        }
        EXPECT_NEAR(high / c.high, 1.0, 1e-5) << boxes.Texts().front().toStdString();
    }
}

// Each limit the network check and the library hold, typed in the dialog
// (metric units): the limit itself is taken and stored as it is, the next
// float past it is refused with the range. The outlet pressure's top is the
// largest float whose start pressure (times 1.1 in float) stays below the
// library's 1e8 Pa, 90,909,080 Pa worked in single precision by hand; its
// bottom the smallest whose start pressure reaches the library's 2 bar,
// 181,818.171875 Pa (1.1 x 181,818.15625 rounds to 199,999.97 in float),
// worked with numpy's float32; the floats past the others are the limit's
// neighbours (2 m + 2.4e-7 m, ...).
TEST_F(ObjectDialogs, EachLimitIsTakenAndTheNextFloatPastItRefused) {
    auto [pipe, inlet, outlet, junction, join, leak] = DrawOneOfEach();
    (void)join;
    const struct {
        const char* name;
        diagram_object* obj;
        int field;
        const char* limit;  // as typed, in display units
        const char* past;   // the next float past it, in display units
        double stored;      // the limit, internal units
        double* member;
    } cases[] = {
        {"pipe bore", pipe, IDC_DIAMETER, "2000", "2000.000238418579", 2.0f,
         &as_pipeline(pipe)->diameter},
        {"pipe length", pipe, IDC_LENGTH, "2000000", "2000000.125", 2.0e6f,
         &as_pipeline(pipe)->length},
        {"pipe roughness", pipe, IDC_ROUGHNESS, "2000", "2000.000238418579", 2.0f,
         &as_pipeline(pipe)->roughness},
        {"heat transfer", pipe, IDC_HEATTRANS, "100000", "100000.0078125", 1.0e5f,
         &as_pipeline(pipe)->heat_trans_coeff},
        {"ambient temperature, warm end", pipe, IDC_TEMP, "235", "235.00001525878906", 235.0f,
         &as_pipeline(pipe)->amb_temp},
        {"ambient temperature, cold end", pipe, IDC_TEMP, "-180", "-180.00001525878906", -180.0f,
         &as_pipeline(pipe)->amb_temp},
        {"inlet temperature", inlet, IDC_TEMP, "235", "235.00001525878906", 235.0f,
         &as_point_object(inlet)->temp},
        {"inlet gas rate", inlet, IDC_FLOWRATE, "1e9", "1000000064", 1.0e9f,
         &as_point_object(inlet)->flowrate},
        {"junction depth", junction, IDC_DEPTH, "11000", "11000.0009765625", 11000.0f,
         &as_point_object(junction)->depth},
        {"outlet pressure", outlet, IDC_PRESSURE, "909.0908", "909.0908800", 90909080.0f,
         &as_point_object(outlet)->pressure},
        {"outlet pressure, low end", outlet, IDC_PRESSURE, "1.8181817", "1.8181816", 181818.171875,
         &as_point_object(outlet)->pressure},
        {"leak distance", leak, IDC_DISTANCE, "2000000", "2000000.125", 2.0e6f,
         &as_spill_point(leak)->distance},
        {"leak diameter", leak, IDC_DIAMETER, "2000", "2000.000238418579", 2.0f,
         &as_spill_point(leak)->diameter},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_TRUE(Refused(c.obj, c.field, c.past));
        ASSERT_EQ(boxes.Texts().size(), 1);
        EXPECT_TRUE(RangeIn(boxes.Texts().front())) << boxes.Texts().front().toStdString();
        EXPECT_NE(*c.member, c.stored);
        EXPECT_FALSE(Refused(c.obj, c.field, c.limit));
        EXPECT_EQ(*c.member, c.stored);
    }
}

TEST_F(ObjectDialogs, OkWithoutAnEditKeepsEveryValueBitForBitInBothUnitSystems) {
    auto [pipe, inlet, outlet, junction, join, leak] = DrawOneOfEach();
    for (diagram_object* o : {inlet, outlet, junction}) object_set_label(o, "Named");
    // Values as a scenario file holds them: doubles no float gives back, so
    // any trip through the dialog's six digits would show.
    pipeline* p = as_pipeline(pipe);
    p->length = 1000.0001;
    p->diameter = 0.30480000001;
    p->roughness = 4.572e-05;
    p->heat_trans_coeff = 56.570045;
    p->amb_temp = 4.4444447;
    point_object* in = as_point_object(inlet);
    in->depth = 150.12345678;
    in->flowrate = 3.333333e6;
    in->temp = 21.11111;
    in->closingtime = 613;
    point_object* out = as_point_object(outlet);
    out->depth = 125.5;
    out->pressure = 2.0e6 + 1e-4;
    out->closingtime = 300;
    as_point_object(junction)->depth = 77.7777777;
    as_point_object(join)->depth = 12.3456789;
    spill_point* sp = as_spill_point(leak);
    sp->distance = 4000.01;
    sp->diameter = 0.0508;
    sp->depth = 140.123;
    sp->backpressure = HydrostaticPressure(sp->depth);

    auto snapshot = [&] {
        return std::vector<uint64_t>{bits(p->length),
                                     bits(p->diameter),
                                     bits(p->roughness),
                                     bits(p->heat_trans_coeff),
                                     bits(p->amb_temp),
                                     bits(in->depth),
                                     bits(in->flowrate),
                                     bits(in->temp),
                                     uint64_t(in->closingtime),
                                     bits(out->depth),
                                     bits(out->pressure),
                                     uint64_t(out->closingtime),
                                     bits(as_point_object(junction)->depth),
                                     bits(as_point_object(join)->depth),
                                     bits(sp->distance),
                                     bits(sp->diameter),
                                     bits(sp->depth),
                                     bits(sp->backpressure)};
    };
    const std::vector<uint64_t> before = snapshot();
    for (int units : {0, 1}) {
        s.app->GetSettings().SetDisplayUnits(units);
        for (diagram_object* o : {pipe, inlet, outlet, junction, join, leak}) {
            bool closed = false;
            s.Properties(o, [&](CDialog* d) {
                d->Item<QPushButton>(IDOK)->click();
                closed = d->IsEnded();
            });
            EXPECT_TRUE(closed) << o->type->name << " units " << units;
            EXPECT_EQ(snapshot(), before) << o->type->name << " units " << units;
        }
    }
    EXPECT_TRUE(boxes.Texts().isEmpty());
}

// Tab from the distance goes to the diameter (the "from endpoint" list holds
// its one entry and is passed by), so what is typed next lands in the
// diameter and is kept.
TEST_F(ObjectDialogs, TabFromTheLeaksDistanceGoesToTheDiameter) {
    diagram_object* leak = s.Add(ID_TOOL_LEAKAGE, {1, 1});
    QString diameter;
    s.Properties(
        leak,
        [&](CDialog* d) {
            auto* distance = d->Item<QLineEdit>(IDC_DISTANCE);
            auto* from = d->Item<QComboBox>(IDC_DISTANCE_FROM);
            EXPECT_EQ(from->currentText(), QStringLiteral("Upstream end of pipe"));
            d->activateWindow();
            distance->setFocus();
            QTest::keyClick(distance, Qt::Key_Tab);
            ASSERT_EQ(d->focusWidget(), d->GetDlgItem(IDC_DIAMETER));
            QTest::keyClicks(d->focusWidget(), QStringLiteral("80"));
            diameter = d->Item<QLineEdit>(IDC_DIAMETER)->text();
        },
        IDCANCEL);
    EXPECT_TRUE(diameter.endsWith(QStringLiteral("80"))) << diameter.toStdString();
}

TEST_F(ObjectDialogs, LeakBackPressureIsShownFromTheDepthAndCannotBeTyped) {
    diagram_object* leak = s.Add(ID_TOOL_LEAKAGE, {1, 1});
    spill_point* sp = as_spill_point(leak);
    sp->depth = 100.0;
    sp->backpressure = 0.0;  // as a leak that was never opened in its dialog
    QString shown;
    bool readOnly = false;
    QColor field, behind;
    s.Properties(leak, [&](CDialog* d) {
        auto* pressure = d->Item<QLineEdit>(IDC_PRESSURE);
        readOnly = pressure->isReadOnly();
        shown = pressure->text();
        // It looks read-only: the pixels inside its frame are the dialog's.
        const QImage image = pressure->grab().toImage();
        field = image.pixelColor(image.width() - 4, image.height() / 2);
        behind = d->palette().color(QPalette::Window);
        d->grab().save(QStringLiteral(ORVANE_TEST_ARTIFACTS "/leak_dialog.png"));
    });
    EXPECT_TRUE(readOnly);
    EXPECT_EQ(field, behind);
    // 100 m x 1030 kg/m3 x 9.80665 m/s2 + 101325 Pa = 1111409.95 Pa, in bar.
    EXPECT_EQ(shown, "11.1141");
    EXPECT_NEAR(sp->backpressure, 1111409.95, 1e-2);
    EXPECT_EQ(sp->depth, 100.0);
}
