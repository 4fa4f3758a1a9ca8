// The numbers a run reads are numbers the user entered: a value repaired as a
// damaged file opens, and an inlet's rate entered for the other fluid, stop
// Verify Layout and Calculate, naming the object, until the user enters the
// value or confirms it with OK in the object's dialog.
#include <gtest/gtest.h>

#include "../../vexil/corpus_scenarios.h"

#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "fluid_dlgs.h"
#include "message_box.h"
#include "network_values.h"
#include "object_dlgs.h"
#include "plot_launch.h"
#include "program_fixture.h"
#include "scenario_script.h"
#include "string_table.h"

namespace {

const QString kArtifacts = QStringLiteral(ORVANE_TEST_ARTIFACTS);

class EnteredValues : public ProgramWindowTest {
protected:
    // Closes the scenario's window and opens the file again; the message
    // boxes the open showed.
    QStringList Reopen(const QString& path) {
        s.Main()->MDIGetActive()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        boxes.Clear();
        EXPECT_NE(s.app->OpenDocumentFile(path), nullptr);
        return boxes.Texts();
    }
    QStringList Verify() {
        boxes.Clear();
        s.Main()->ExecuteCommand(ID_SCENARIO_VERIFY);
        return boxes.Texts();
    }
    diagram_object* FirstOf(const char* type) const {
        for (GList* l = s.Diagram()->active_layer->objects; l; l = l->next)
            if (network::IsType(static_cast<diagram_object*>(l->data), type))
                return static_cast<diagram_object*>(l->data);
        return nullptr;
    }
};

const char kRepairLine[] = "Pipeline \"Oil line\" (O2): diameter (empty) -> 0.508 (default)";
const char kRefusal[] =
    "Pipeline \"Oil line\": the pipeline's diameter (diameter) could not be read when the "
    "scenario was opened; it holds 508 mm, which was put in its place.";

// The oil line whose pipeline diameter element was left empty. The open says
// what was repaired; Verify Layout and Calculate refuse, naming the
// pipeline and selecting it; OK in the pipeline's dialog (on the value shown,
// or on another one typed in) lets Verify pass; saved, the file opens without
// a word and with the value the user confirmed.
TEST_F(EnteredValues, AnEmptiedDiameterIsRefusedUntilConfirmedInItsDialog) {
    const struct {
        const char* typed;  // null: OK on the value shown
        double bore;        // m, what the runs then read
    } cases[] = {{nullptr, double(0.508f)}, {"254", 0.254}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.typed ? c.typed : "confirmed");
        const QString name = c.typed ? QStringLiteral("typed") : QStringLiteral("confirmed");
        const QString path = Path(name + ".zef");
        ASSERT_NO_THROW(corpus::WriteScenario(ORVANE_SOURCE_DIR, "oil_line_diameter_empty.zef",
                                              path.toStdString()));
        boxes.Clear();
        ASSERT_NE(s.app->OpenDocumentFile(path), nullptr);
        ASSERT_EQ(boxes.Texts().size(), 1);
        EXPECT_EQ(boxes.Texts().front(),
                  QStringLiteral("Warning:\nValues that could not be read were replaced:\n") +
                      kRepairLine);
        diagram_object* pipe = FirstOf(network::PIPELINE);
        ASSERT_NE(pipe, nullptr);

        // Verify names the value and shows its object.
        s.Select(FirstOf(network::FLOW_INLET));
        const QStringList refused = Verify();
        ASSERT_EQ(refused.size(), 1);
        EXPECT_TRUE(refused.front().startsWith(kRefusal)) << refused.front().toStdString();
        EXPECT_EQ(s.Selected(), pipe);
        // Calculate refuses the same way, and nothing is run.
        boxes.Clear();
        s.Main()->ExecuteCommand(ID_SCENARIO_CALC_DISCHARGE);
        ASSERT_EQ(boxes.Texts().size(), 1);
        EXPECT_TRUE(boxes.Texts().front().startsWith(kRefusal));
        EXPECT_FALSE(QFileInfo::exists(ResultBasePath(path) + ".plt"));

        // Cancel in the dialog confirms nothing.
        s.Properties(
            pipe, [](CDialog*) {}, IDCANCEL);
        EXPECT_EQ(Verify().size(), 1);
        EXPECT_TRUE(Verify().front().startsWith(kRefusal));

        s.Properties(pipe, [&](CDialog* d) {
            EXPECT_EQ(AfxGetControlText(d->GetDlgItem(IDC_DIAMETER)), "508");
            if (c.typed) ScenarioScript::SetText(d, IDC_DIAMETER, c.typed);
        });
        EXPECT_TRUE(s.Doc()->IsModified());
        EXPECT_EQ(Verify(), QStringList{AfxLoadString(IDS_NETWORK_VALID)});
        EXPECT_NEAR(network::Value(pipe, "diameter"), c.bore, 1e-7);

        ASSERT_TRUE(s.Doc()->DoSave(path));
        EXPECT_EQ(Reopen(path), QStringList{});
        EXPECT_EQ(Verify(), QStringList{AfxLoadString(IDS_NETWORK_VALID)});
        EXPECT_NEAR(network::Value(FirstOf(network::PIPELINE), "diameter"), c.bore, 1e-7);
        s.Main()->MDIGetActive()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
}

// Saved before it was confirmed, the repair is still a repair when the file
// opens again.
TEST_F(EnteredValues, ARepairSavedUnconfirmedIsNamedAgainOnOpen) {
    const QString path = Path("kept.zef");
    ASSERT_NO_THROW(corpus::WriteScenario(ORVANE_SOURCE_DIR, "oil_line_diameter_empty.zef",
                                          path.toStdString()));
    ASSERT_NE(s.app->OpenDocumentFile(path), nullptr);
    ASSERT_TRUE(s.Doc()->DoSave(path));
    const QStringList opened = Reopen(path);
    ASSERT_EQ(opened.size(), 1);
    EXPECT_TRUE(opened.front().contains(
        "Pipeline \"Oil line\" (O2): diameter repaired when opened before -> kept, not "
        "yet confirmed"))
        << opened.front().toStdString();
    const QStringList refused = Verify();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.front().startsWith(kRefusal));
}

// A new scenario with its inlet rate typed for the gas, then the black oil
// ticked for the runs: the dialog says what the switch does, and the rate,
// now a liquid rate of another size, is refused by Verify and Calculate,
// naming the inlet, also after a save and an open, until it is entered or
// confirmed in the inlet's dialog. Switching back marks it again.
TEST_F(EnteredValues, SwitchingTheFluidAsksForEveryInletRate) {
    diagram_object* inlet = s.Add(ID_TOOL_INLET, {1, 1});
    diagram_object* outlet = s.Add(ID_TOOL_OUTLET, {9, 1});
    diagram_object* pipe = s.AddPipeline(ScenarioScript::CpOf(inlet, ScenarioScript::RIGHT),
                                         ScenarioScript::CpOf(outlet, ScenarioScript::LEFT));
    diagram_object* leak = s.AddLeak({5, 4}, pipe);
    s.Properties(inlet, [](CDialog* d) {
        ScenarioScript::SetText(d, IDC_LABEL, "Wellhead");
        ScenarioScript::SetText(d, IDC_DEPTH, "120");
        ScenarioScript::SetText(d, IDC_FLOWRATE, "283168");  // Sm3/d of gas
        ScenarioScript::SetText(d, IDC_TEMP, "60");
    });
    s.Properties(pipe, [](CDialog* d) {
        ScenarioScript::SetText(d, IDC_LENGTH, "8000");
        ScenarioScript::SetText(d, IDC_DIAMETER, "254");
    });
    s.Properties(outlet, [](CDialog* d) {
        ScenarioScript::SetText(d, IDC_LABEL, "Platform");
        ScenarioScript::SetText(d, IDC_DEPTH, "120");
        ScenarioScript::SetText(d, IDC_PRESSURE, "20");
    });
    s.Properties(leak, [](CDialog* d) {
        ScenarioScript::SetText(d, IDC_DISTANCE, "4000");
        ScenarioScript::SetText(d, IDC_DIAMETER, "50");
        ScenarioScript::SetText(d, IDC_DEPTH, "120");
    });
    s.WithDialog(ID_SCENARIO_GAS_COMPOSITION, [](CDialog* d) {
        ScenarioScript::SetFractions(d, {{"C1", "100"}});
    });
    ASSERT_EQ(Verify(), QStringList{AfxLoadString(IDS_NETWORK_VALID)});

    // The line above the box says what ticking it does.
    s.WithDialog(ID_SCENARIO_FLUID, [&](CDialog* d) {
        const QWidget* line = d->GetDlgItem(CFluidPropsDlg::IDC_FLUID_IN_USE);
        EXPECT_EQ(AfxGetControlText(line), AfxLoadString(IDS_RUNS_USE_THE_COMPOSITION));
        auto* box = d->Item<QCheckBox>(CFluidPropsDlg::IDC_USE_FOR_RUNS);
        box->setChecked(true);
        EXPECT_EQ(AfxGetControlText(line),
                  AfxFormatString1(IDS_INLET_RATES_TO_ENTER, "this black oil"));
        QCoreApplication::processEvents();
        // The whole line is shown: the dialog grew to its wrapped height.
        EXPECT_GE(line->height(), line->heightForWidth(line->width()));
        EXPECT_TRUE(d->grab().save(QDir(kArtifacts).filePath("dialog_fluid_switch_rates.png")));
        box->setChecked(false);
        EXPECT_EQ(AfxGetControlText(line), AfxLoadString(IDS_RUNS_USE_THE_COMPOSITION));
        box->setChecked(true);
        ScenarioScript::SetText(d, CFluidPropsDlg::IDC_GAS_DENSITY, "0.85");
        ScenarioScript::SetText(d, CFluidPropsDlg::IDC_OIL_DENSITY, "850");
        ScenarioScript::SetText(d, CFluidPropsDlg::IDC_GOR, "120");
        ScenarioScript::SetText(d, CFluidPropsDlg::IDC_WATER_CUT, "10");
    });
    ASSERT_EQ(s.Doc()->ReleaseModel().GetFluidClass(), FLUID_BLACK_OIL);

    const QString refusal =
        "FlowInlet \"Wellhead\": the inlet's flow rate was entered for the other fluid, and it "
        "means another quantity for the black oil: it now reads 283168 Sm3/d.";
    s.Select(pipe);
    QStringList refused = Verify();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.front().startsWith(refusal)) << refused.front().toStdString();
    EXPECT_EQ(s.Selected(), inlet);
    const QString path = Path("switched.zef");
    ASSERT_TRUE(s.Doc()->DoSave(path));
    boxes.Clear();
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_DISCHARGE);
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts().front().startsWith(refusal));
    EXPECT_FALSE(QFileInfo::exists(ResultBasePath(path) + ".plt"));

    // Kept through a save and an open.
    EXPECT_EQ(Reopen(path), QStringList{});
    inlet = FirstOf(network::FLOW_INLET);
    refused = Verify();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(refused.front().startsWith(refusal));

    // Entered for the black oil: 5000 Sm3/d of liquid.
    s.Properties(inlet, [](CDialog* d) { ScenarioScript::SetText(d, IDC_FLOWRATE, "5000"); });
    EXPECT_EQ(Verify(), QStringList{AfxLoadString(IDS_NETWORK_VALID)});
    EXPECT_NEAR(network::Value(inlet, "flowrate"), 5000.0, 1e-3);

    // Back to the gas: asked for again, and OK on the value shown confirms it.
    s.WithDialog(ID_SCENARIO_GAS_COMPOSITION, [](CDialog* d) {
        d->Item<QCheckBox>(CGasPropsDlg::IDC_USE_FOR_RUNS)->setChecked(true);
        EXPECT_EQ(AfxGetControlText(d->GetDlgItem(CGasPropsDlg::IDC_FLUID_IN_USE)),
                  AfxFormatString1(IDS_INLET_RATES_TO_ENTER, "this gas composition"));
    });
    ASSERT_EQ(s.Doc()->ReleaseModel().GetFluidClass(), FLUID_GAS_COMPOSITION);
    refused = Verify();
    ASSERT_EQ(refused.size(), 1);
    EXPECT_TRUE(
        refused.front().contains("means another quantity for the gas composition: it now "
                                 "reads 5000 Sm3/d."))
        << refused.front().toStdString();
    s.Properties(inlet, [](CDialog*) {});
    EXPECT_EQ(Verify(), QStringList{AfxLoadString(IDS_NETWORK_VALID)});
    ASSERT_TRUE(s.Doc()->DoSave(path));
    EXPECT_EQ(Reopen(path), QStringList{});
    EXPECT_EQ(Verify(), QStringList{AfxLoadString(IDS_NETWORK_VALID)});
    QFile saved(path);
    ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
    EXPECT_FALSE(saved.readAll().contains("rate_entered"));
}

}  // namespace
