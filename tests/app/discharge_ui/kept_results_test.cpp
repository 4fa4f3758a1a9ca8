// Results a user keeps: OK on a dialog that changed nothing leaves the
// scenario and its results alone, a near-field run that ends well is saved
// with the scenario and shows in the report after reopening, Calculate All
// shows the summary once, and a saved summary reopens with the run's numbers.
// Driven through the program's commands with scripted message boxes.
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QPlainTextEdit>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <vector>

#include "../discharge/zef_run_process.h"
#include "../model/network_builder.h"
#include "../ui/scenario_script.h"
#include "message_box.h"
#include "message_ids.h"
#include "nearfield_dlg.h"
#include "object_dlgs.h"
#include "plot_launch.h"
#include "release_dlgs.h"
#include "release_section.h"
#include "report_view.h"
#include "result_files.h"
#include "release_input.h"
#include "string_table.h"

namespace {

class KeptResults : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(s.Start());
        s.app->GetSettings().SetDisplayUnits(0);  // Metric
        s.app->GetSettings().SetAutoResultOpen(false);
    }

    // A copy of a shipped example in the test's folder, opened.
    CScenarioDoc* Open(const char* name) {
        path = dir.filePath(name);
        if (!QFile::exists(path) &&
            !QFile::copy(QStringLiteral(ORVANE_SOURCE_DIR "/examples/scenarios/") + name, path))
            return nullptr;
        if (!s.app->OpenDocumentFile(path)) return nullptr;
        return s.Doc();
    }
    CScenarioDoc* Reopen() {
        s.app->CloseAllDocuments();
        return s.app->OpenDocumentFile(path) ? s.Doc() : nullptr;
    }
    bool Enabled(int command) { return s.Main()->QueryCommand(command).m_bEnabled; }
    QString ReportText() {
        s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
        auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
        return report ? report->Text() : QString();
    }
    // The first object of the type in the diagram.
    diagram_object* First(const char* type) {
        diagram_data* d = s.Diagram();
        for (guint i = 0; i < d->layers->len; ++i)
            for (GList* l = static_cast<layer*>(g_ptr_array_index(d->layers, i))->objects; l;
                 l = l->next) {
                auto* obj = static_cast<diagram_object*>(l->data);
                if (std::strcmp(obj->type->name, type) == 0) return obj;
            }
        return nullptr;
    }
    // Double-clicks the object, as a user reading its values does; the
    // script sees the dialog, then OK is pressed.
    void DoubleClick(diagram_object* obj, const std::function<void(CDialog*)>& fill) {
        s.Select(obj);
        CDialog::SetModalHook([&](CDialog* d) {
            d->show();
            fill(d);
            if (auto* ok = d->Item<QPushButton>(IDOK)) ok->click();
        });
        CScenarioView* view = nullptr;
        for (CView* v : s.Doc()->GetViews())
            if (!view) view = dynamic_cast<CScenarioView*>(v);
        ASSERT_NE(view, nullptr);
        const QPointF at = view->DiagramToClient(obj->position);
        QMouseEvent dbl(QEvent::MouseButtonDblClick, at, view->viewport()->mapToGlobal(at),
                        Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(view->viewport(), &dbl);
        CDialog::SetModalHook({});
    }

    QTemporaryDir dir;
    QString path;
    ScenarioScript s;
};

// Each dialog a user opens to read values, then OK: without an edit the
// scenario stays saved and every result current; an edit outdates what
// depends on it (the near-field settings only the near-field result).
TEST_F(KeptResults, ok_on_an_unchanged_dialog_keeps_the_results_and_an_edit_outdates_its_own) {
    enum Road { OBJECT, DISCHARGE_SETUP, NEARFIELD_SETUP };
    const struct {
        const char* what;
        Road road;
        const char* type;  // OBJECT: the object double-clicked
        int edit;          // 0: nothing typed
        const char* text;
        bool dischargeOutdated;
    } cases[] = {
        {"inlet read", OBJECT, "FlowInlet", 0, "", false},
        {"outlet read", OBJECT, "FlowOutlet", 0, "", false},
        {"junction read", OBJECT, "Junction", 0, "", false},
        {"pipeline read", OBJECT, "Pipeline", 0, "", false},
        {"leak read", OBJECT, "SpillPoint", 0, "", false},
        {"discharge setup read", DISCHARGE_SETUP, nullptr, 0, "", false},
        {"nearfield setup read", NEARFIELD_SETUP, nullptr, 0, "", false},
        {"inlet rate retyped as shown", OBJECT, "FlowInlet", IDC_FLOWRATE, nullptr, false},
        {"inlet rate changed", OBJECT, "FlowInlet", IDC_FLOWRATE, "123", true},
        {"inlet label changed", OBJECT, "FlowInlet", IDC_LABEL, "Other well", true},
        {"pipeline length changed", OBJECT, "Pipeline", IDC_LENGTH, "12345", true},
        {"stop time changed", DISCHARGE_SETUP, nullptr, CReleaseModelDlg::IDC_END_TIME, "777",
         true},
        {"smoothing changed", NEARFIELD_SETUP, nullptr, CNearFieldModelDlg::IDC_SMOOTHING, "7",
         false},
    };
    CScenarioDoc* doc = Open("two_inlets_junction.zef");
    ASSERT_NE(doc, nullptr);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScriptedMessageBoxes boxes;
        if (!doc->ReleaseModel().IsUpToDate() || !doc->IsResultCurrent(".dbs")) {
            s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
            ASSERT_TRUE(doc->IsResultCurrent(".dbs")) << boxes.Texts().join("|").toStdString();
        }
        ASSERT_FALSE(doc->IsModified());
        ASSERT_TRUE(Enabled(ID_RESULT_RELEASE_PLOT));
        boxes.Clear();
        const auto fill = [&](CDialog* d) {
            if (d->windowTitle() == QStringLiteral("Discharge Model Parameters") &&
                c.edit == CReleaseModelDlg::IDC_END_TIME)
                d->Item<QCheckBox>(CReleaseModelDlg::IDC_SET_END_TIME)->setChecked(true);
            if (!c.edit) return;
            auto* edit = d->Item<QLineEdit>(c.edit);
            ASSERT_NE(edit, nullptr);
            // nullptr: the shown text typed again.
            edit->setText(c.text ? QString::fromUtf8(c.text) : edit->text());
        };
        if (c.road == OBJECT) {
            diagram_object* obj = First(c.type);
            ASSERT_NE(obj, nullptr);
            DoubleClick(obj, fill);
        } else {
            s.WithDialog(c.road == DISCHARGE_SETUP ? ID_SCENARIO_DISCHARGE_SETUP
                                                   : ID_SCENARIO_NEARFIELD_SETUP,
                         fill);
        }
        EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
        const bool edited = c.edit && c.text;
        EXPECT_EQ(doc->IsModified(), edited);
        EXPECT_EQ(doc->ReleaseModel().IsUpToDate(), !c.dischargeOutdated);
        EXPECT_EQ(Enabled(ID_RESULT_RELEASE_PLOT), !c.dischargeOutdated);
        EXPECT_EQ(Enabled(ID_RESULT_NEARFIELD_PLOT), !edited);
        EXPECT_EQ(ReportText().contains("(needs recalculation)"), c.dischargeOutdated);
        if (edited) {
            // Saved, so that the next case starts from a saved scenario.
            ASSERT_TRUE(doc->DoSave(path));
        }
    }
    doc->SetModifiedFlag(false);
}

// README step 6 as written: Nearfield Setup, OK, Calculate Nearfield. The
// result is saved with the scenario (nothing is asked at close) and, reopened,
// the report shows the radius the run gave and Nearfield Plot opens it. After
// an edit of the settings the scenario is saved before the run, as for a
// discharge.
TEST_F(KeptResults, a_nearfield_run_is_saved_with_the_scenario_and_reported_after_reopening) {
    const struct {
        const char* what;
        const char* smoothing;  // typed in the set-up dialog; null: OK only
    } cases[] = {{"settings as shown", nullptr}, {"settings edited", "6"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        CScenarioDoc* doc = Open("oil_line.zef");
        ASSERT_NE(doc, nullptr);
        ScriptedMessageBoxes boxes;
        ASSERT_TRUE(doc->RunDischarge());
        ASSERT_FALSE(doc->IsModified());
        s.WithDialog(ID_SCENARIO_NEARFIELD_SETUP, [&](CDialog* d) {
            if (c.smoothing)
                ScenarioScript::SetText(d, CNearFieldModelDlg::IDC_SMOOTHING, c.smoothing);
        });
        boxes.Clear();
        s.Main()->ExecuteCommand(ID_SCENARIO_CALC_NEARFIELD);
        const QString written = AfxLoadString(16260).arg(ResultFilePath(path, ".dbs"));
        const QStringList expected =
            c.smoothing ? QStringList{AfxLoadString(IDS_SAVE_BEFORE_NEARFIELD), written}
                        : QStringList{written};
        EXPECT_EQ(boxes.Texts(), expected);
        ASSERT_TRUE(doc->Plume().HasResult());
        const QString radius = QString::asprintf("%g", doc->Plume().ResultValue());
        EXPECT_FALSE(doc->IsModified());

        // Closing asks nothing; reopened, the near-field result is there.
        boxes.Clear();
        doc = Reopen();
        ASSERT_NE(doc, nullptr);
        EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
        EXPECT_TRUE(Enabled(ID_RESULT_NEARFIELD_PLOT));
        const QString report = ReportText();
        EXPECT_TRUE(report.contains("Nearfield Summary:\r\n")) << report.toStdString();
        EXPECT_TRUE(report.contains("Average boiling zone radius: " + radius + " m\r\n"))
            << report.toStdString();
        // Saved again and reopened, it is still there.
        ASSERT_TRUE(doc->DoSave(path));
        doc = Reopen();
        ASSERT_NE(doc, nullptr);
        EXPECT_TRUE(ReportText().contains("Average boiling zone radius: " + radius + " m\r\n"));
        s.app->CloseAllDocuments();
        QFile::remove(path);
    }
}

// Calculate All with the summary set to open after a run: it opens once,
// after the near-field stage, and the report beside the near-field message
// already shows the new result as current.
TEST_F(KeptResults, calculate_all_shows_the_summary_once_when_both_stages_are_done) {
    CScenarioDoc* doc = Open("gas_export.zef");
    ASSERT_NE(doc, nullptr);
    s.app->GetSettings().SetAutoResultOpen(true);
    s.Main()->ExecuteCommand(ID_WINDOW_NEW_SUMMARY);
    auto* report = dynamic_cast<CReportView*>(s.Main()->GetActiveView());
    ASSERT_NE(report, nullptr);
    std::vector<QString> titles;
    CDialog::SetModalHook([&](CDialog* d) { titles.push_back(d->windowTitle()); });
    QStringList texts;
    QString reportAtMessage;
    const MessageBoxHandler previous = AfxSetMessageBoxHandler([&](const QString& text, unsigned) {
        texts << text;
        titles.push_back(QStringLiteral("message"));
        reportAtMessage = report->GetEditCtrl()->toPlainText();
        return IDOK;
    });
    s.Main()->ExecuteCommand(ID_SCENARIO_CALC_ALL);
    for (int i = 0; i < 20; ++i) QCoreApplication::processEvents();
    CDialog::SetModalHook({});
    AfxSetMessageBoxHandler(previous);
    EXPECT_EQ(titles, (std::vector<QString>{"Calculating discharge...", "Calculating nearfield...",
                                            "message", "Discharge Summary"}));
    EXPECT_EQ(texts, QStringList{AfxLoadString(16260).arg(ResultFilePath(path, ".dbs"))});
    EXPECT_TRUE(reportAtMessage.contains("Release Summary:\n")) << reportAtMessage.toStdString();
    EXPECT_FALSE(reportAtMessage.contains("(needs recalculation)"))
        << reportAtMessage.toStdString();
    doc->SetModifiedFlag(false);
}

// A run's summary saved with the scenario reopens bit for bit on every
// example (6 digits would turn a release time of 1694967 s into 1694970 s).
TEST_F(KeptResults, a_saved_summary_reopens_with_the_numbers_of_the_run) {
    for (const char* name :
         {"oil_line.zef", "two_inlets_junction.zef", "gas_export.zef", "black_oil_line.zef"}) {
        SCOPED_TRACE(name);
        CScenarioDoc* doc = Open(name);
        ASSERT_NE(doc, nullptr);
        ScriptedMessageBoxes boxes;
        ASSERT_TRUE(doc->RunDischarge());
        const DischargeSummary ran = *doc->ReleaseModel().GetSummary();
        doc = Reopen();
        ASSERT_NE(doc, nullptr);
        ASSERT_TRUE(doc->ReleaseModel().HasSummary());
        const float* a = &ran.time;
        const float* b = &doc->ReleaseModel().GetSummary()->time;
        for (int k = 0; k < 11; ++k) EXPECT_EQ(a[k], b[k]) << DISCHARGE_SUMMARY_KEYS[k];
        s.app->CloseAllDocuments();
    }
}

// A branch one pipeline longer than a run takes, drawn and saved, opens
// again: in the program (Verify Layout then names the limit and selects a
// pipeline of that branch, and Save keeps the drawing) and in zef_run
// (--save reads and writes it, --verify exits 1 naming the limit).
TEST_F(KeptResults, a_branch_too_long_for_a_run_opens_saves_and_is_refused_by_verify) {
    const QString file = dir.filePath("long_branch.zef");
    {
        model_test::Network net;
        diagram_object* down = net.Outlet();
        diagram_object* first = nullptr;
        for (int i = 0; i <= orvane::MAX_SEGMENTS; ++i) {
            diagram_object* pipe = net.Pipe(30);
            diagram_object* up = i < orvane::MAX_SEGMENTS ? net.Join() : net.Inlet();
            net.Chain(down, pipe, up);
            if (!first) first = pipe;
            down = up;
        }
        net.Leak(net.Spill(10), first);
        ASSERT_EQ(diagram_file_save(net.data, QFile::encodeName(file).constData(), 0, nullptr), 1);
    }
    const QString limit = AfxLoadString(IDS_MAX_SEGMENTS);
    ASSERT_TRUE(limit.contains("100 Pipeline segments")) << limit.toStdString();

    const QString saved = dir.filePath("saved.zef");
    const discharge_test::Output save = discharge_test::zefRun({"--save", saved, file});
    EXPECT_EQ(save.status, 0) << save.err.toStdString();
    const discharge_test::Output verify = discharge_test::zefRun({"--verify", saved});
    EXPECT_EQ(verify.status, 1);
    EXPECT_TRUE(verify.err.contains(limit)) << verify.err.toStdString();

    ScriptedMessageBoxes boxes;
    ASSERT_TRUE(s.app->OpenDocumentFile(saved));
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
    EXPECT_EQ(g_list_length(s.Diagram()->active_layer->objects), 2u * 101u + 2u);
    s.Main()->ExecuteCommand(ID_SCENARIO_VERIFY);
    ASSERT_EQ(boxes.Texts().size(), 1);
    EXPECT_TRUE(boxes.Texts()[0].startsWith(limit)) << boxes.Texts()[0].toStdString();
    diagram_object* selected = s.Selected();
    ASSERT_NE(selected, nullptr);
    EXPECT_STREQ(selected->type->name, "Pipeline");
    path = saved;
    ASSERT_TRUE(s.Doc()->DoSave(saved));
    boxes.Clear();
    ASSERT_NE(Reopen(), nullptr);
    EXPECT_TRUE(boxes.Texts().isEmpty()) << boxes.Texts().join("|").toStdString();
    EXPECT_EQ(g_list_length(s.Diagram()->active_layer->objects), 2u * 101u + 2u);
}

}  // namespace

namespace {

// The stop time in Discharge Setup: the dialog takes the limits of the run
// (10 minutes after the leak opens, and the end of the boundary tables) and
// refuses the next float past each, and a negative time the run would
// ignore, with the message Verify Layout gives for a stored one.
TEST_F(KeptResults, discharge_setup_refuses_the_stop_times_verify_refuses_with_its_message) {
    CScenarioDoc* doc = Open("oil_line.zef");
    ASSERT_NE(doc, nullptr);
    const float latest = 9988600.0f;  // 1.0E7 s of tables less the 11400 s before the leak
    const QString range = QStringLiteral(
        " lies outside 600 s to 9988600 s. Change it in "
        "Discharge Setup.");
    const struct {
        const char* what;
        float seconds;
        const char* shown;  // null: accepted
    } cases[] = {
        {"ten minutes", 600.0f, nullptr},
        {"just under ten minutes", std::nextafter(600.0f, 0.0f), "599.9999 s"},
        {"the tables' end", latest, nullptr},
        {"just past the tables' end", std::nextafter(latest, INFINITY), "9988601 s"},
        {"minus 100 s", -100.0f, "-100 s"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const float before = doc->ReleaseModel().Control().TUSER;
        ScriptedMessageBoxes boxes;
        bool stillOpen = false;
        CDialog::SetModalHook([&](CDialog* d) {
            d->show();
            d->Item<QCheckBox>(CReleaseModelDlg::IDC_SET_END_TIME)->setChecked(true);
            ScenarioScript::SetText(d, CReleaseModelDlg::IDC_END_TIME,
                                    QString::number(double(c.seconds), 'g', 9));
            d->Item<QPushButton>(IDOK)->click();
            stillOpen = d->isVisible();
            if (stillOpen) d->Item<QPushButton>(IDCANCEL)->click();
        });
        s.Main()->ExecuteCommand(ID_SCENARIO_DISCHARGE_SETUP);
        CDialog::SetModalHook({});
        const QString message =
            c.shown ? "The discharge run's end time of " + QString::fromLatin1(c.shown) + range
                    : QString();
        EXPECT_EQ(boxes.Texts(), c.shown ? QStringList{message} : QStringList());
        EXPECT_EQ(stillOpen, c.shown != nullptr);
        EXPECT_EQ(doc->ReleaseModel().Control().TUSER, c.shown ? before : c.seconds);
        if (!c.shown) continue;
        // A scenario saved with that stop time: Verify Layout says the same.
        doc->ReleaseModel().Control().TUSER = c.seconds;
        boxes.Clear();
        s.Main()->ExecuteCommand(ID_SCENARIO_VERIFY);
        EXPECT_EQ(boxes.Texts(), QStringList{message});
        doc->ReleaseModel().Control().TUSER = before;
    }
    doc->SetModifiedFlag(false);
}

}  // namespace
