// The fluid set-up dialogs and the Options dialog inside the running program.
#include <gtest/gtest.h>

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <cstring>
#include <iterator>
#include <memory>
#include <vector>

#include "field_bounds.h"
#include "fluid_dlgs.h"
#include "message_box.h"
#include "options_dlg.h"
#include "prop_list_ctrl.h"
#include "scenario_script.h"
#include "string_table.h"

namespace {

class Fluids : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s.Start());
        s.app->GetSettings().SetDisplayUnits(0);
        s.Main()->show();
    }
    static int RowOf(CPropListCtrl* list, const QString& id) {
        for (int row = 0; row < list->GetItemCount(); ++row)
            if (list->GetItemText(row, 0) == id) return row;
        return -1;
    }

    ScriptedMessageBoxes boxes;
    ScenarioScript s;
};

}  // namespace

TEST_F(Fluids, GasCompositionChecksOnOk) {
    const struct {
        std::vector<std::pair<QString, QString>> fractions;
        int message;  // 0: accepted
        const char* noDensity;
    } cases[] = {
        {{{"C1", "100.002"}}, 16180, ""},
        {{{"C1", "90"}, {"C2", "9.99"}}, 16181, ""},
        {{{"C1", "101"}, {"C2", "-1"}}, 16175, ""},
        {{{"C1", "95"}, {"C7", "5"}}, 16179, "C7"},  // a heavy component needs its liquid density
        {{{"C1", "99.9995"}}, 0, ""},
    };
    for (const auto& c : cases) {
        boxes.Clear();
        bool stayedOpen = false;
        s.WithDialog(
            ID_SCENARIO_GAS_COMPOSITION,
            [&](CDialog* d) {
                ScenarioScript::SetFractions(d, c.fractions);
                auto* list = d->Item<CPropListCtrl>(CGasPropsDlg::IDC_COMPONENTS);
                if (*c.noDensity) list->SetItemText(RowOf(list, c.noDensity), 3, QString());
                d->Item<QPushButton>(IDOK)->click();
                stayedOpen = !d->IsEnded();
            },
            IDCANCEL);
        const QString expected =
            c.message == 16179 ? AfxFormatString1(16179, "C7") : AfxLoadString(c.message);
        EXPECT_EQ(stayedOpen, c.message != 0) << c.message;
        EXPECT_EQ(boxes.Texts(), c.message ? QStringList{expected} : QStringList{}) << c.message;
        if (c.message) {
            EXPECT_EQ(boxes.Boxes()[0].icon, unsigned(MB_ICONERROR));
        }
    }
    // The accepted run kept only the used component, confirmed.
    ASSERT_EQ(s.Doc()->Components().components.size(), 1u);
    EXPECT_FLOAT_EQ(s.Doc()->Components().components[0].fraction, 99.9995f);
    EXPECT_TRUE(s.Doc()->Components().comps_confirmed);
    EXPECT_EQ(s.Doc()->ReleaseModel().GetFluidClass(), FLUID_GAS_COMPOSITION);
}

TEST_F(Fluids, GasGridShowsTotalsDensitiesAndRefusesAPendingBadValue) {
    s.WithDialog(
        ID_SCENARIO_GAS_COMPOSITION,
        [&](CDialog* d) {
            auto* list = d->Item<CPropListCtrl>(CGasPropsDlg::IDC_COMPONENTS);
            auto* total = d->Item<QLineEdit>(CGasPropsDlg::IDC_TOTAL);
            const int c1 = RowOf(list, "C1");
            const int c7 = RowOf(list, "C7");
            ASSERT_GE(c1, 0);
            ASSERT_GE(c7, 0);
            EXPECT_EQ(list->GetLastEditableColumn(c1), 2);  // no liquid density for methane
            EXPECT_EQ(list->GetLastEditableColumn(c7), 3);
            EXPECT_EQ(list->GetItemText(c7, 3), "0.6840");  // g/cm3 in Metric units
            list->StartEdit(c1, 1);
            QTest::keyClicks(list->GetEdit(), "60");
            QTest::keyClick(list->GetEdit(), Qt::Key_Down);  // commits, total follows
            EXPECT_EQ(total->text(), "60.000");
            list->StartEdit(c1, 1);
            list->GetEdit()->setText("abc");
            boxes.Clear();
            d->Item<QPushButton>(IDOK)->click();
            EXPECT_FALSE(d->IsEnded());
            EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(16182)});
            // Defaults bring the catalogue back but keep typed fractions.
            list->GetEdit()->setText("55");
            QTest::keyClick(list->GetEdit(), Qt::Key_Return);
            list->SetItemText(RowOf(list, "C2"), 2, "99.000");
            d->Item<QPushButton>(CGasPropsDlg::IDC_DEFAULTS)->click();
            EXPECT_EQ(list->GetItemText(RowOf(list, "C1"), 1), "55.000");
            EXPECT_EQ(list->GetItemText(RowOf(list, "C2"), 2), "30.070");
            EXPECT_EQ(total->text(), "55.000");
        },
        IDCANCEL);
    EXPECT_FALSE(s.Doc()->Components().comps_confirmed);
}

// A cell of the composition that holds a negative number or no number is
// refused on OK with a message, in a used row or not; the dialog stays open.
TEST_F(Fluids, GasGridRefusesANegativeOrNonNumericCellOnOk) {
    const struct {
        const char* name;
        const char* component;
        int column;  // 1 mole percent, 2 mole weight
        const char* text;
        unsigned message;
    } cases[] = {
        {"fraction abc", "C2", 1, "abc", IDS_POSITIVE_NUMBER_REQUIRED},
        {"fraction -5", "C2", 1, "-5", IDS_FRACTION_NEGATIVE},
        {"unused weight abc", "C7", 2, "abc", IDS_MOLE_WEIGHT_NOT_POSITIVE},
        {"unused weight -5", "C7", 2, "-5", IDS_MOLE_WEIGHT_NOT_POSITIVE},
        {"used weight -5", "C1", 2, "-5", IDS_MOLE_WEIGHT_NOT_POSITIVE},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        s.WithDialog(
            ID_SCENARIO_GAS_COMPOSITION,
            [&](CDialog* d) {
                auto* list = d->Item<CPropListCtrl>(CGasPropsDlg::IDC_COMPONENTS);
                list->SetItemText(RowOf(list, "C1"), 1, "100.000");
                list->SetItemText(RowOf(list, c.component), c.column, c.text);
                boxes.Clear();
                d->Item<QPushButton>(IDOK)->click();
                EXPECT_FALSE(d->IsEnded());
                EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(c.message)});
            },
            IDCANCEL);
    }
}

TEST_F(Fluids, AComponentOutsideTheCatalogueSurvives) {
    FluidComponent own;
    own.compid = "XYZ";
    own.name = "Own";
    own.model_idx = 4;
    own.mole_weight = 17.5f;
    own.fraction = 40;
    s.Doc()->Components().components = {own};
    s.WithDialog(ID_SCENARIO_GAS_COMPOSITION, [&](CDialog* d) {
        auto* list = d->Item<CPropListCtrl>(CGasPropsDlg::IDC_COMPONENTS);
        EXPECT_EQ(list->GetItemText(list->GetItemCount() - 1, 0), "XYZ");
        EXPECT_EQ(list->GetItemText(list->GetItemCount() - 1, 1), "40.000");
        list->SetItemText(RowOf(list, "C1"), 1, "60");
    });
    ASSERT_EQ(s.Doc()->Components().components.size(), 2u);
    EXPECT_EQ(s.Doc()->Components().components[1].compid, "XYZ");
}

// Each black-oil field refuses what the run's fluid tables would refuse,
// naming the range in the units shown; a refused dialog stays open.
TEST_F(Fluids, BlackOilFieldsRefuseWhatTheRunRefusesWithTheirRange) {
    s.app->GetSettings().SetDisplayUnits(1);  // English
    const struct {
        int field;
        const char* text;
        double low, high;  // the range shown, worked by hand (1 lb/ft3 = 16.0184634 kg/m3)
    } cases[] = {
        {CFluidPropsDlg::IDC_GOR, "-5", 0.0, 1800 * 5.614583333},  // scf/stb
        {CFluidPropsDlg::IDC_WATER_CUT, "100.5", 0.0, 90.0},
        {CFluidPropsDlg::IDC_WATER_CUT, "-1", 0.0, 90.0},
        {CFluidPropsDlg::IDC_GAS_DENSITY, "0.02", 0.6 / 16.0184634, 1.2 / 16.0184634},
        {CFluidPropsDlg::IDC_OIL_DENSITY, "70", 730 / 16.0184634, 960 / 16.0184634},
    };
    static const QRegularExpression range(
        QStringLiteral("^Enter a number between (\\S+) and (\\S+)\\.$"));
    for (const auto& c : cases) {
        boxes.Clear();
        bool stayedOpen = false;
        s.WithDialog(
            ID_SCENARIO_FLUID,
            [&](CDialog* d) {
                ScenarioScript::SetText(d, c.field, c.text);
                d->Item<QPushButton>(IDOK)->click();
                stayedOpen = !d->IsEnded();
            },
            IDCANCEL);
        EXPECT_TRUE(stayedOpen) << c.text;
        ASSERT_EQ(boxes.Texts().size(), 1) << c.text;
        const QRegularExpressionMatch m = range.match(boxes.Texts().front());
        ASSERT_TRUE(m.hasMatch()) << boxes.Texts().front().toStdString();
        EXPECT_NEAR(m.captured(1).toDouble(), c.low, 1e-5 * (1 + c.high)) << c.text;
        EXPECT_NEAR(m.captured(2).toDouble(), c.high, 1e-5 * c.high) << c.text;
    }
    EXPECT_FALSE(s.Doc()->BlackOil().confirmed);

    // Values inside the ranges are taken, converted to internal units.
    s.WithDialog(ID_SCENARIO_FLUID, [&](CDialog* d) {
        d->Item<QCheckBox>(CFluidPropsDlg::IDC_USE_FOR_RUNS)->setChecked(true);
        ScenarioScript::SetText(d, CFluidPropsDlg::IDC_WATER_CUT, "20");
        ScenarioScript::SetText(d, CFluidPropsDlg::IDC_OIL_DENSITY, "53.0");  // lb/scf
    });
    const CBlackOilModel& oil = s.Doc()->BlackOil();
    EXPECT_TRUE(oil.confirmed);
    EXPECT_FLOAT_EQ(oil.water_cut, 20.0f);
    EXPECT_NEAR(oil.oil_density, 53.0 * 16.0184634, 0.01);  // lb/ft3 to kg/m3
    EXPECT_TRUE(s.Doc()->IsModified());
}

// The dialogs' limits are the library's: BLACKOIL takes each at its limit
// and refuses it just beyond.
TEST(BlackOilLimits, AreTheOnesTheLibraryTakes) {
    const struct {
        const char* key;
        int which;  // 0 gas density, 1 oil density, 2 GOR, 3 water cut
    } rows[] = {{"GASDENSITY", 0}, {"OILDENSITY", 1}, {"GOR", 2}, {"WATERCUT", 3}};
    const auto accepts = [](int which, double value) {
        float v[4] = {0.8f, 800.0f, 100.0f, 10.0f};
        v[which] = float(value);
        auto pvt = std::make_unique<PVTBLK>();
        int32_t ierr = 0;
        char msg[1024] = {};
        BLACKOIL(&v[0], &v[1], &v[2], &v[3], pvt.get(), &ierr, msg, sizeof msg);
        return ierr == 0;
    };
    for (const auto& r : rows) {
        const ValueRange range = RangeOfQuantity(r.key);
        const double step = 1e-3 * (range.high - range.low);
        EXPECT_TRUE(accepts(r.which, range.low)) << r.key;
        EXPECT_TRUE(accepts(r.which, range.high)) << r.key;
        EXPECT_FALSE(accepts(r.which, range.low - step)) << r.key;
        EXPECT_FALSE(accepts(r.which, range.high + step)) << r.key;
        EXPECT_TRUE(IsAcceptableValue(r.key, range.low)) << r.key;
        EXPECT_FALSE(IsAcceptableValue(r.key, range.high + step)) << r.key;
    }
}

// Looking at a scenario's fluid and pressing OK changes nothing: the gas
// composition of oil_line.zef stays the fluid of its runs, bit for bit.
TEST_F(Fluids, OkOnUnchangedFluidDialogsChangesNothing) {
    ASSERT_NE(s.app->OpenDocumentFile(
                  QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/oil_line.zef")),
              nullptr);
    CScenarioDoc* doc = s.Doc();
    ASSERT_EQ(doc->ReleaseModel().GetFluidClass(), FLUID_GAS_COMPOSITION);
    const std::vector<FluidComponent> before = doc->Components().components;
    const CBlackOilModel oilBefore = doc->BlackOil();
    ASSERT_FALSE(before.empty());
    const bool upToDate = doc->ReleaseModel().IsUpToDate();

    s.WithDialog(ID_SCENARIO_FLUID, [&](CDialog* d) {
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(CFluidPropsDlg::IDC_FLUID_IN_USE)),
                  AfxLoadString(16292));
        EXPECT_FALSE(d->Item<QCheckBox>(CFluidPropsDlg::IDC_USE_FOR_RUNS)->isChecked());
    });
    s.WithDialog(ID_SCENARIO_GAS_COMPOSITION, [&](CDialog* d) {
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(CGasPropsDlg::IDC_FLUID_IN_USE)),
                  AfxLoadString(16293));
        EXPECT_FALSE(d->GetDlgItem(CGasPropsDlg::IDC_USE_FOR_RUNS)->isEnabled());
    });
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
    EXPECT_EQ(doc->ReleaseModel().GetFluidClass(), FLUID_GAS_COMPOSITION);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(doc->ReleaseModel().IsUpToDate(), upToDate);
    ASSERT_EQ(doc->Components().components.size(), before.size());
    for (size_t i = 0; i < before.size(); ++i) {
        const FluidComponent &a = before[i], &b = doc->Components().components[i];
        EXPECT_EQ(a.compid, b.compid);
        EXPECT_EQ(std::memcmp(&a.fraction, &b.fraction, sizeof(float)), 0) << i;
        EXPECT_EQ(std::memcmp(&a.mole_weight, &b.mole_weight, sizeof(float)), 0) << i;
    }
    EXPECT_EQ(std::memcmp(&oilBefore.gas_oil_ratio, &doc->BlackOil().gas_oil_ratio, sizeof(float)),
              0);
    EXPECT_EQ(oilBefore.confirmed, doc->BlackOil().confirmed);
}

TEST_F(Fluids, OptionsDialogReadsAndWritesTheSettings) {
    CSystemSettings& settings = s.app->GetSettings();
    settings.SetDisplayUnits(2);  // internal units: neither button
    settings.SetSizeText(14);
    s.WithDialog(ID_APP_OPTIONS, [&](CDialog* d) {
        EXPECT_FALSE(d->Item<QRadioButton>(CSystemSettingsDlg::IDC_UNITS_METRIC)->isChecked());
        EXPECT_FALSE(d->Item<QRadioButton>(CSystemSettingsDlg::IDC_UNITS_ENGLISH)->isChecked());
        EXPECT_EQ(d->Item<QLineEdit>(CSystemSettingsDlg::IDC_SIZE_TEXT)->text(), "14");
        ScenarioScript::SetText(d, CSystemSettingsDlg::IDC_SIZE_OBJECT_LABEL, "3001");
        d->Item<QPushButton>(IDOK)->click();
        EXPECT_FALSE(d->IsEnded());
        ScenarioScript::SetText(d, CSystemSettingsDlg::IDC_SIZE_OBJECT_LABEL, "9");
        d->Item<QCheckBox>(CSystemSettingsDlg::IDC_DIAGNOSTIC)->setChecked(true);
    });
    EXPECT_EQ(boxes.Texts(), QStringList{"Enter an integer between 1 and 3000."});
    EXPECT_EQ(settings.SizeObjectLabel(), 9);
    EXPECT_EQ(settings.DisplayUnits(), 2);  // no button chosen: kept
    EXPECT_TRUE(settings.DiagnosticMode());
    s.WithDialog(
        ID_APP_OPTIONS,
        [](CDialog* d) {
            d->Item<QRadioButton>(CSystemSettingsDlg::IDC_UNITS_METRIC)->setChecked(true);
            ScenarioScript::SetText(d, CSystemSettingsDlg::IDC_SIZE_OBJECT_LABEL, "20");
        },
        IDCANCEL);
    EXPECT_EQ(settings.SizeObjectLabel(), 9);
    EXPECT_EQ(settings.DisplayUnits(), 2);
    settings.SetDiagnosticMode(false);
}

TEST_F(Fluids, EachOptionsCheckBoxChangesItsOwnSettingOnly) {
    using D = CSystemSettingsDlg;
    CSystemSettings& settings = s.app->GetSettings();
    const struct {
        int box;
        const char* what;
    } boxesOf[] = {{D::IDC_TOOL_RESET, "Tool reset"},
                   {D::IDC_AUTO_RESULT_OPEN, "Auto result open"},
                   {D::IDC_BACKUP, "Backup"},
                   {D::IDC_DIAGNOSTIC, "Diagnostic"}};
    const auto current = [&] {
        return std::vector<bool>{settings.ToolReset(), settings.AutoResultOpen(),
                                 settings.BackupBeforeOverwrite(), settings.DiagnosticMode()};
    };
    const std::vector<bool> start{true, false, true, false};
    for (size_t i = 0; i < std::size(boxesOf); ++i) {
        settings.SetToolReset(start[0]);
        settings.SetAutoResultOpen(start[1]);
        settings.SetBackupBeforeOverwrite(start[2]);
        settings.SetDiagnosticMode(start[3]);
        s.WithDialog(ID_APP_OPTIONS,
                     [&](CDialog* d) { d->Item<QCheckBox>(boxesOf[i].box)->click(); });
        std::vector<bool> expected = start;
        expected[i] = !expected[i];
        EXPECT_EQ(current(), expected) << boxesOf[i].what;
        // Reopened, every box shows its setting.
        s.WithDialog(
            ID_APP_OPTIONS,
            [&](CDialog* d) {
                for (size_t j = 0; j < std::size(boxesOf); ++j)
                    EXPECT_EQ(d->Item<QCheckBox>(boxesOf[j].box)->isChecked(), expected[j])
                        << boxesOf[i].what << " then " << boxesOf[j].what;
            },
            IDCANCEL);
    }
    settings.SetDiagnosticMode(false);
}

TEST_F(Fluids, ABrokenScenarioFileIsReportedAndOpensNothing) {
    QTemporaryDir dir;
    const QString path = dir.filePath("broken.zef");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("<?xml version=\"1.0\"?><zef:diagram xmlns:zef=\"urn:x-holvik:zef\"><zef:layer");
    f.close();
    const int before = s.Children();
    boxes.Clear();
    EXPECT_EQ(s.app->OpenDocumentFile(path), nullptr);
    EXPECT_EQ(s.Children(), before);
    // One message, the loader's, naming the file.
    ASSERT_EQ(boxes.Texts().size(), 1) << boxes.Texts().join("|").toStdString();
    EXPECT_TRUE(boxes.Texts()[0].contains("broken.zef")) << boxes.Texts()[0].toStdString();
}
