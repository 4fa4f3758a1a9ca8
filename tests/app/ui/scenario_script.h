#pragma once
// Drives the program like a user: starts it, draws with the tools through
// mouse events on the view, fills property dialogs and answers messages.
#include <QApplication>
#include <QLineEdit>
#include <QMdiArea>
#include <QMouseEvent>
#include <QPushButton>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

#include "command_ids.h"
#include "dialog.h"
#include "fluid_dlgs.h"
#include "prop_list_ctrl.h"
#include "main_frame.h"
#include "scenario_doc.h"
#include "scenario_view.h"
#include "vexil/diagramdata.h"
#include "vexil/network_objects.h"
#include "zef_app.h"

struct ScenarioScript {
    // Starts the program with the command line; false when start-up failed.
    bool Start(const QStringList& args = {}) {
        app = std::make_unique<CZefApp>();
        app->SetModulePath(QStringLiteral(ORVANE_BIN_DIR "/Orvane"));
        app->SetArguments(args);
        if (!app->InitInstance()) return false;
        Main()->resize(1000, 720);
        return true;
    }
    ~ScenarioScript() {
        CDialog::SetModalHook({});
        if (app) app->ExitInstance();
    }

    CMainFrame* Main() const { return app->MainFrame(); }
    CScenarioView* View() const { return dynamic_cast<CScenarioView*>(Main()->GetActiveView()); }
    CScenarioDoc* Doc() const { return dynamic_cast<CScenarioDoc*>(Main()->GetActiveDocument()); }
    diagram_data* Diagram() const { return Doc()->GetDiagram(); }
    int Children() const { return int(Main()->MdiArea()->subWindowList().size()); }

    void Mouse(QEvent::Type type, const Point& p, Qt::MouseButton button = Qt::LeftButton,
               Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QWidget* vp = View()->viewport();
        const QPointF local = View()->DiagramToClient(p);
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(button);
        QMouseEvent event(type, local, vp->mapToGlobal(local), button, held, mods);
        QApplication::sendEvent(vp, &event);
    }
    void Click(const Point& p, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        Mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, mods);
        Mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, mods);
    }
    void Drag(const Point& from, const Point& to, Qt::MouseButton button = Qt::LeftButton) {
        Mouse(QEvent::MouseButtonPress, from, button);
        const Point mid{(from.x + to.x) / 2, (from.y + to.y) / 2};
        Mouse(QEvent::MouseMove, mid, button);
        Mouse(QEvent::MouseMove, to, button);
        Mouse(QEvent::MouseButtonRelease, to, button);
    }

    // The object that a tool click at p added (selected afterwards).
    diagram_object* Add(int tool, const Point& p) {
        Main()->ExecuteCommand(tool);
        Click(p);
        return Selected();
    }
    diagram_object* AddPipeline(const Point& from, const Point& to) {
        Main()->ExecuteCommand(ID_TOOL_PIPELINE);
        Drag(from, to);
        return Selected();
    }
    // A leak dragged by its handle onto the pipeline's middle point.
    diagram_object* AddLeak(const Point& where, diagram_object* pipe) {
        diagram_object* leak = Add(ID_TOOL_LEAKAGE, where);
        const Point handle = as_spill_point(leak)->custom_handle.pos;
        Drag(handle, as_pipeline(pipe)->cpl ? CpOf(pipe, 0) : handle);
        return leak;
    }
    diagram_object* Selected() const {
        diagram_data* d = Diagram();
        return d->selected_count == 1 ? static_cast<diagram_object*>(d->selected->data) : nullptr;
    }
    void Select(diagram_object* obj) {
        diagram_unselect_all(Diagram());
        diagram_select_object(Diagram(), obj);
    }
    static Point CpOf(diagram_object* obj, int index) {
        if (pipeline* p = as_pipeline(obj))
            return static_cast<connection_point*>(g_slist_nth_data(p->cpl->connections, index))
                ->pos;
        return obj->connections[index]->pos;
    }
    // Connection points of the point objects: top, left, right, bottom.
    enum { TOP = 0, LEFT = 1, RIGHT = 2, BOTTOM = 3 };

    // Runs a command that opens a dialog: fill() sets the fields, then the
    // button (OK by default) is pressed.
    void WithDialog(int command, const std::function<void(CDialog*)>& fill, int button = IDOK) {
        CDialog::SetModalHook([&](CDialog* d) {
            d->show();
            fill(d);
            if (auto* b = d->Item<QPushButton>(button)) b->click();
        });
        Main()->ExecuteCommand(command);
        CDialog::SetModalHook({});
    }
    // The object's property dialog, filled and closed with the button.
    void Properties(diagram_object* obj, const std::function<void(CDialog*)>& fill,
                    int button = IDOK) {
        Select(obj);
        WithDialog(ID_OBJECT_PROPERTIES, fill, button);
    }
    // The Gas Properties grid's fractions: the listed components get theirs,
    // every other row none.
    static void SetFractions(CDialog* d,
                             const std::vector<std::pair<QString, QString>>& fractions) {
        auto* list = d->Item<CPropListCtrl>(CGasPropsDlg::IDC_COMPONENTS);
        for (int row = 0; row < list->GetItemCount(); ++row) {
            list->SetItemText(row, 1, QString());
            for (const auto& f : fractions)
                if (list->GetItemText(row, 0) == f.first) list->SetItemText(row, 1, f.second);
        }
    }
    static void SetText(CDialog* d, int id, const QString& text) {
        if (auto* edit = d->Item<QLineEdit>(id)) edit->setText(text);
    }

    std::unique_ptr<CZefApp> app;
};
