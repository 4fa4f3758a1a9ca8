#include "scenario_view.h"

#include <QContextMenuEvent>
#include <QFocusEvent>
#include <QImage>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPrinter>
#include <cmath>

#include "command_ids.h"
#include "frames.h"
#include "scenario_doc.h"
#include "system_settings.h"
#include "vexil/connpoint_line.h"
#include "vexil/diagramdata.h"
#include "vexil/modify_tool.h"
#include "vexil/network_objects.h"
#include "vexil/render_qt.h"
#include "vexil/text.h"
#include "vexil/undo.h"
#include "win_app.h"
#include "zoom_dlg.h"

namespace {

struct ToolType {
    int id;
    const char* type;
};

const ToolType kTools[] = {
    {ID_TOOL_PIPELINE, PIPELINE_TYPE},  {ID_TOOL_PIPEJOIN, PIPE_JOIN_TYPE},
    {ID_TOOL_JUNCTION, JUNCTION_TYPE},  {ID_TOOL_INLET, FLOW_INLET_TYPE},
    {ID_TOOL_OUTLET, FLOW_OUTLET_TYPE}, {ID_TOOL_LEAKAGE, SPILL_POINT_TYPE},
    {ID_TOOL_TEXT, TEXT_TYPE},
};

// Key codes the label editing understands, from Qt's keys.
int textKeyCode(int key) {
    switch (key) {
        case Qt::Key_Backspace:
            return KEY_BACKSPACE;
        case Qt::Key_Clear:
            return KEY_CLEAR;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            return KEY_RETURN;
        case Qt::Key_End:
            return KEY_END;
        case Qt::Key_Home:
            return KEY_HOME;
        case Qt::Key_Left:
            return KEY_LEFT;
        case Qt::Key_Up:
            return KEY_UP;
        case Qt::Key_Right:
            return KEY_RIGHT;
        case Qt::Key_Down:
            return KEY_DOWN;
        case Qt::Key_Delete:
            return KEY_DELETE;
        default:
            return 0;
    }
}

// How near (in screen pixels, at any zoom) a dropped handle or a click must
// come to a connection point to attach: as near as it looks attached.
constexpr int kSnapPixels = 8;

// The connection point of a pipeline passing within radius of p (diagram
// units) that lies nearest to p, not of exclude: where a leak clicked onto a
// pipeline hangs.
connection_point* pipelinePointNear(diagram_data* diagram, const Point& p, double radius,
                                    diagram_object* exclude) {
    connection_point* found = nullptr;
    double best = 1e300;
    for (GList* i = diagram->active_layer->objects; i; i = i->next) {
        auto* obj = static_cast<diagram_object*>(i->data);
        if (obj == exclude || !as_pipeline(obj) || obj->ops->distance_from(obj, &p) > radius)
            continue;
        for (int c = 0; c < obj->num_connections; ++c) {
            const Point& at = obj->connections[c]->pos;
            const double d = std::hypot(at.x - p.x, at.y - p.y);
            if (d < best) {
                best = d;
                found = obj->connections[c];
            }
        }
    }
    return found;
}

// Moves the handle onto the point and connects it there.
void attachHandle(diagram_data* diagram, diagram_object* obj, object_handle* handle,
                  connection_point* cp) {
    obj->ops->move_handle(obj, handle, &cp->pos, HANDLE_MOVE_USER, 0);
    undo_change* change = undo_connect(diagram, obj, handle, cp);
    change->apply(change, diagram);
    object_update_connections(diagram, obj, 0);
}

bool extendSelection(Qt::KeyboardModifiers mods) {
    return (mods & (Qt::ShiftModifier | Qt::ControlModifier)) != 0;
}

// Whether the drag in progress has put an object or a handle somewhere else
// than where the press found it (a press and release alone moves nothing).
bool dragMovedSomething(const modify_tool* tool, diagram_data* diagram) {
    if (!tool->orig_pos) return false;
    const auto differs = [](const Point& a, const Point& b) { return a.x != b.x || a.y != b.y; };
    if (tool->state == STATE_MOVE_HANDLE)
        return tool->handle && differs(tool->handle->pos, tool->orig_pos[0]);
    if (tool->state != STATE_MOVE_OBJECT) return false;
    int i = 0;
    for (GList* l = diagram->selected; l && i < tool->orig_count; l = l->next, ++i)
        if (differs(static_cast<diagram_object*>(l->data)->position, tool->orig_pos[i]))
            return true;
    return false;
}

void repaintView(void* view) { static_cast<CScenarioView*>(view)->viewport()->update(); }

}  // namespace

CScenarioView::CScenarioView() {
    setFocusPolicy(Qt::StrongFocus);
    viewport()->setAutoFillBackground(true);
    viewport()->setBackgroundRole(QPalette::Base);
    QPalette pal = viewport()->palette();
    pal.setColor(QPalette::Base, Qt::white);
    viewport()->setPalette(pal);

    OnCommand(ID_TOOL_SELECT, [this] { SetTool(ID_TOOL_SELECT); });
    OnUpdateCommand(ID_TOOL_SELECT,
                    [this](CCmdUI* ui) { ui->SetCheck(m_nTool == ID_TOOL_SELECT); });
    for (const ToolType& t : kTools) {
        const int id = t.id;
        OnCommand(id, [this, id] { SetTool(id); });
        OnUpdateCommand(id, [this, id](CCmdUI* ui) { ui->SetCheck(m_nTool == id); });
    }
    OnCommand(ID_EDIT_CLEAR, [this] { OnEditClear(); });
    OnUpdateCommand(ID_EDIT_CLEAR, [this](CCmdUI* ui) {
        diagram_data* diagram = Diagram();
        ui->Enable(focus_get() != nullptr || (diagram && diagram->selected_count > 0));
    });
    OnCommand(ID_OBJECT_PROPERTIES, [this] { OnObjectProperties(); });
    OnUpdateCommand(ID_OBJECT_PROPERTIES, [this](CCmdUI* ui) {
        diagram_object* obj = SingleSelected();
        ui->Enable(obj && obj->type->ops->properties);
    });
    const auto reorder = [this](bool toFront) {
        CScenarioDoc* doc = GetDocument();
        MakeCurrent();
        if (toFront)
            diagram_selection_to_front(doc->GetDiagram());
        else
            diagram_selection_to_back(doc->GetDiagram());
        doc->SetModifiedFlag();
        viewport()->update();
    };
    OnCommand(ID_OBJECT_TO_BACK, [reorder] { reorder(false); });
    OnCommand(ID_OBJECT_TO_FRONT, [reorder] { reorder(true); });
    for (int id : {ID_OBJECT_TO_BACK, ID_OBJECT_TO_FRONT})
        OnUpdateCommand(id, [this](CCmdUI* ui) {
            diagram_data* diagram = Diagram();
            ui->Enable(diagram && diagram->selected_count > 0);
        });
    OnCommand(ID_OBJECT_FROM_DATABASE, [this] {
        MakeCurrent();
        GetDocument()->ImportFromDatabase();
        UpdateScrollSizes();
    });
    OnUpdateCommand(ID_OBJECT_FROM_DATABASE, [this](CCmdUI* ui) {
        ui->Enable(GetDocument() && GetDocument()->IsDatabaseAvailable());
    });
    OnCommand(ID_VIEW_ZOOM, [this] { OnZoom(); });
    OnCommand(ID_VIEW_ZOOM_IN, [this] { OnZoomIn(); });
    OnCommand(ID_VIEW_ZOOM_OUT, [this] { OnZoomOut(); });
}

CScenarioView::~CScenarioView() {
    if (CScenarioDoc* doc = GetDocument(); doc && doc->GetDisplay() == m_pRenderer)
        doc->SetDisplay(nullptr);
    if (renderer_get_current() == m_pRenderer) renderer_set_current(nullptr);
    modify_tool_free(m_pModifyTool);
    modify_tool_free(m_pCreateDrag);
    renderer_free(m_pRenderer);
    vexil_qt_dc_free(m_pClientDC);
}

CScenarioDoc* CScenarioView::GetDocument() const {
    return static_cast<CScenarioDoc*>(CView::GetDocument());
}

void CScenarioView::MakeCurrent() const {
    if (m_pRenderer) renderer_set_current(m_pRenderer);
}

diagram_data* CScenarioView::Diagram() const {
    CScenarioDoc* doc = GetDocument();
    return doc ? doc->GetDiagram() : nullptr;
}

diagram_object* CScenarioView::SingleSelected() const {
    diagram_data* diagram = Diagram();
    if (!diagram || diagram->selected_count != 1 || !diagram->selected) return nullptr;
    return static_cast<diagram_object*>(diagram->selected->data);
}

object_type* CScenarioView::CreationType() const {
    for (const ToolType& t : kTools)
        if (t.id == m_nTool) return type_registry_find(t.type);
    return nullptr;
}

void CScenarioView::SetTool(int id) {
    m_nTool = id;
    modify_tool_free(m_pModifyTool);
    m_pModifyTool = nullptr;
    if (id == ID_TOOL_SELECT && m_pRenderer) {
        m_pModifyTool = modify_tool_create(m_pRenderer);
        m_pModifyTool->repaint = repaintView;
        m_pModifyTool->repaint_data = this;
    }
}

// ----------------------------------------------------------- coordinates

Point CScenarioView::ClientToDiagram(QPoint client) const {
    Point p{0, 0};
    if (m_pRenderer) {
        const QPoint logical = client + GetScrollPosition();
        m_pRenderer->interactive_ops->from_pixel(m_pRenderer, logical.x(), logical.y(), &p);
    }
    return p;
}

void CScenarioView::ShowObject(diagram_object* obj) {
    diagram_data* diagram = Diagram();
    if (!diagram || !obj) return;
    diagram_unselect_all(diagram);
    diagram_select_object(diagram, obj);
    const Rectangle& box = obj->bounding_box;
    const QPoint centre = DiagramToClient({(box.left + box.right) / 2, (box.top + box.bottom) / 2});
    if (!viewport()->rect().contains(centre))
        ScrollToPosition(GetScrollPosition() + centre - viewport()->rect().center());
    viewport()->update();
}

QPoint CScenarioView::DiagramToClient(const Point& p) const {
    int x = 0, y = 0;
    if (m_pRenderer) m_pRenderer->interactive_ops->to_pixel(m_pRenderer, &p, &x, &y);
    return QPoint(x, y) - GetScrollPosition();
}

// ---------------------------------------------------------------- mouse

void CScenarioView::mousePressEvent(QMouseEvent* event) {
    CScenarioDoc* doc = GetDocument();
    if (!doc || !doc->GetDiagram() || !m_pRenderer ||
        (event->button() != Qt::LeftButton && event->button() != Qt::RightButton) ||
        m_pressedButton != Qt::NoButton) {
        CView::mousePressEvent(event);
        return;
    }
    setFocus();
    MakeCurrent();
    const Point p = ClientToDiagram(event->position().toPoint());
    doc->SetLastClickPoint(p);
    m_pressedButton = event->button();
    if (object_type* type = CreationType()) {
        AddObject(type, p);
        const CSystemSettings* settings = AppSettings();
        if (!settings || settings->ToolReset()) SetTool(ID_TOOL_SELECT);
        if (AfxGetMainWnd()) AfxGetMainWnd()->UpdateCmdUI();
    } else if (m_pModifyTool) {
        m_pModifyTool->snap_reach = SnapRadius();
        m_pModifyTool->button_press(m_pModifyTool, &p, extendSelection(event->modifiers()),
                                    doc->GetDiagram());
        viewport()->update();
    }
}

void CScenarioView::mouseReleaseEvent(QMouseEvent* event) {
    CScenarioDoc* doc = GetDocument();
    if (event->button() != m_pressedButton || !doc || !doc->GetDiagram()) {
        CView::mouseReleaseEvent(event);
        return;
    }
    m_pressedButton = Qt::NoButton;
    MakeCurrent();
    const Point p = ClientToDiagram(event->position().toPoint());
    modify_tool* tool = m_pCreateDrag ? m_pCreateDrag : m_pModifyTool;
    if (tool) {
        const bool moved = dragMovedSomething(tool, doc->GetDiagram());
        tool->snap_reach = SnapRadius();
        tool->button_release(tool, &p, extendSelection(event->modifiers()), doc->GetDiagram());
        if (moved) {
            UpdateScrollSizes();
            doc->NetworkChanged();
        }
        viewport()->update();
    }
    modify_tool_free(m_pCreateDrag);
    m_pCreateDrag = nullptr;
}

void CScenarioView::mouseMoveEvent(QMouseEvent* event) {
    CScenarioDoc* doc = GetDocument();
    modify_tool* tool = m_pCreateDrag ? m_pCreateDrag : m_pModifyTool;
    // Only while a button is held, and never without a tool to move.
    if (m_pressedButton == Qt::NoButton || !(event->buttons() & m_pressedButton) || !tool || !doc ||
        !doc->GetDiagram()) {
        CView::mouseMoveEvent(event);
        return;
    }
    MakeCurrent();
    const Point p = ClientToDiagram(event->position().toPoint());
    tool->snap_reach = SnapRadius();
    tool->motion(tool, &p, doc->GetDiagram());
    // A rubber-band selection changes nothing of the network.
    if (dragMovedSomething(tool, doc->GetDiagram())) {
        UpdateScrollSizes();
        doc->NetworkChanged();
    }
    viewport()->update();
}

void CScenarioView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) OnObjectProperties();
}

void CScenarioView::focusOutEvent(QFocusEvent* event) {
    // The mouse went elsewhere in the middle of a drag: forget the drag.
    if (m_pressedButton != Qt::NoButton) {
        m_pressedButton = Qt::NoButton;
        if (m_pModifyTool) modify_tool_reset(m_pModifyTool);
        modify_tool_free(m_pCreateDrag);
        m_pCreateDrag = nullptr;
        viewport()->update();
    }
    CView::focusOutEvent(event);
}

void CScenarioView::AbandonDrag() {
    if (m_pressedButton == Qt::NoButton || !Diagram()) return;
    m_pressedButton = Qt::NoButton;
    MakeCurrent();
    const Point p = GetDocument()->GetLastClickPoint();
    if (modify_tool* tool = m_pCreateDrag ? m_pCreateDrag : m_pModifyTool)
        tool->button_release(tool, &p, 0, Diagram());
    modify_tool_free(m_pCreateDrag);
    m_pCreateDrag = nullptr;
    viewport()->update();
}

double CScenarioView::SnapRadius() const {
    const Point a = ClientToDiagram(QPoint(0, 0)), b = ClientToDiagram(QPoint(kSnapPixels, 0));
    return std::fabs(b.x - a.x);
}

void CScenarioView::AddObject(object_type* type, const Point& p) {
    CScenarioDoc* doc = GetDocument();
    diagram_data* diagram = doc->GetDiagram();
    MakeCurrent();
    object_handle* h1 = nullptr;
    object_handle* h2 = nullptr;
    diagram_object* obj = type->ops->create(&p, nullptr, &h1, &h2);
    if (!obj) return;
    const double reach = SnapRadius();
    layer_add_object(diagram->active_layer, obj);
    doc->NetworkChanged();
    if (h1 && h1->connect_type == HANDLE_CONNECTABLE) {
        if (connection_point* cp = diagram_find_connection_point_near(diagram, &p, obj, reach))
            obj->ops->move(obj, &cp->pos);
    }
    diagram_unselect_all(diagram);
    diagram_select_object(diagram, obj);
    obj->ops->select(obj, &p, m_pRenderer, 1);
    if (h1 && h1->connect_type == HANDLE_CONNECTABLE) handle_autoconnect(diagram, obj, h1, reach);
    // An object whose connectable handle is not the one it is placed by (the
    // leak) hangs on the pipeline it was clicked onto, at the pipeline's
    // nearest point.
    if (!h1)
        for (int i = 0; i < obj->num_handles; ++i) {
            object_handle* h = obj->handles[i];
            if (!h || h->connect_type != HANDLE_CONNECTABLE || h->connected_to) continue;
            if (connection_point* cp = pipelinePointNear(diagram, p, reach, obj))
                attachHandle(diagram, obj, h, cp);
            break;
        }
    // The second handle follows the mouse until the button comes up, so a
    // new Pipeline is drawn out to where the user lets go.
    if (h2 && h2->type != HANDLE_NON_MOVABLE && m_pressedButton != Qt::NoButton) {
        modify_tool_free(m_pCreateDrag);
        m_pCreateDrag = modify_tool_create(m_pRenderer);
        m_pCreateDrag->state = STATE_MOVE_HANDLE;
        m_pCreateDrag->break_connections = 1;
        m_pCreateDrag->object = obj;
        m_pCreateDrag->handle = h2;
        m_pCreateDrag->last_to = h2->pos;
        m_pCreateDrag->start_at = p;
        m_pCreateDrag->snap_reach = reach;
    }
    undo_set_transaction_point(diagram->undo);
    UpdateScrollSizes();
}

// ----------------------------------------------------------------- keys

void CScenarioView::keyPressEvent(QKeyEvent* event) {
    const int code = textKeyCode(event->key());
    const QString text = event->text();
    bool handled = false;
    if (code != 0)
        handled = HandleTextKey(code, QString());
    else if (!text.isEmpty() && (text[0] == QLatin1Char(' ') || text[0].unicode() >= 48))
        handled = HandleTextKey(32, text);
    if (!handled) CView::keyPressEvent(event);
}

bool CScenarioView::HandleTextKey(int code, const QString& character) {
    CScenarioDoc* doc = GetDocument();
    diagram_data* diagram = Diagram();
    focus_record* focus = focus_get();
    if (!diagram || !focus || !focus->obj || !diagram_is_selected(diagram, focus->obj))
        return false;
    MakeCurrent();
    auto* textFocus = reinterpret_cast<text_focus*>(focus);
    diagram_object* owner = focus->obj;
    const QByteArray utf8 = character.toUtf8();
    object_change* change = nullptr;
    const int changed = textFocus->key_event(textFocus, code, utf8.constData(),
                                             character.isEmpty() ? 0 : 1, &change);
    Point at = owner->position;
    owner->ops->move(owner, &at);
    object_update_connections(diagram, owner, 0);
    if (changed) {
        if (change) undo_object_change(diagram, owner, change);
        undo_set_transaction_point(diagram->undo);
        UpdateScrollSizes();
        doc->NetworkChanged();
    }
    viewport()->update();
    return true;
}

// ------------------------------------------------------------- commands

void CScenarioView::OnEditClear() {
    if (HandleTextKey(KEY_CLEAR, QString())) return;
    CScenarioDoc* doc = GetDocument();
    diagram_data* diagram = Diagram();
    if (!diagram || diagram->selected_count == 0) return;
    MakeCurrent();
    selection_detach_external(diagram);
    undo_change* change = undo_delete_objects(diagram, diagram_selected_in_order(diagram));
    change->apply(change, diagram);
    UpdateScrollSizes();
    doc->NetworkChanged();
    undo_set_transaction_point(diagram->undo);
}

void CScenarioView::OnObjectProperties() {
    diagram_object* obj = SingleSelected();
    if (!obj || !obj->type->ops->properties) return;
    MakeCurrent();
    if (obj->type->ops->properties(obj) == 1) {
        UpdateScrollSizes();
        GetDocument()->NetworkChanged();
        viewport()->update();
    }
}

void CScenarioView::OnZoom() {
    CScenarioDoc* doc = GetDocument();
    CZoomDlg dlg(this);
    dlg.SetZoom(doc->GetZoom());
    if (dlg.DoModal() != IDOK) return;
    doc->SetZoom(dlg.GetZoom());
    UpdateScrollSizes();
}

void CScenarioView::OnZoomIn() {
    CScenarioDoc* doc = GetDocument();
    doc->SetZoom(std::clamp(int(std::lround(doc->GetZoom() * 1.1)), 10, 1000));
    UpdateScrollSizes();
}

void CScenarioView::OnZoomOut() {
    CScenarioDoc* doc = GetDocument();
    doc->SetZoom(std::max(10, int(std::lround(doc->GetZoom() / 1.1))));
    UpdateScrollSizes();
}

// ------------------------------------------------------------- drawing

void CScenarioView::AttachClientDC() {
    CScenarioDoc* doc = GetDocument();
    const QSize total = GetTotalSize();
    renderer_set_dc(m_pRenderer, doc->GetDiagram(), m_pClientDC, nullptr, 1,
                    doc->GetDiagram()->scaling, total.width(), total.height());
    MakeCurrent();
}

void CScenarioView::UpdateScrollSizes() {
    CScenarioDoc* doc = GetDocument();
    if (!doc || !doc->GetDiagram() || !m_pRenderer) return;
    MakeCurrent();
    diagram_update_extents(doc->GetDiagram());
    // The renderer measures at the current zoom; unlimited, so the scroll
    // size is what the whole drawing takes.
    renderer_set_dc(m_pRenderer, doc->GetDiagram(), m_pClientDC, nullptr, 1,
                    doc->GetDiagram()->scaling, 0, 0);
    const QSize extent = doc->GetDiagramExtent();
    int px = 0, py = 0;
    m_pRenderer->interactive_ops->lengths_to_pixels(m_pRenderer, extent.width() / 100.0,
                                                    extent.height() / 100.0, &px, &py);
    SetScrollSizes(QSize(std::max(50, px), std::max(50, py)));
    AttachClientDC();
    viewport()->update();
}

void CScenarioView::OnInitialUpdate() {
    CView::OnInitialUpdate();
    CScenarioDoc* doc = GetDocument();
    if (!doc || !doc->GetDiagram()) return;
    m_pRenderer = renderer_create(doc->GetDiagram(), 1, doc->GetDiagram()->scaling);
    m_pClientDC = vexil_qt_dc_create(nullptr, viewport());
    UpdateScrollSizes();
    // A file is loaded before any view exists, so its labels were measured
    // with the library's stand-in metrics (one font height per label): lay
    // every object out again with this view's fonts, so the extents hold the
    // labels as drawn.
    MakeCurrent();
    for (GList* l = doc->GetDiagram()->active_layer ? doc->GetDiagram()->active_layer->objects
                                                    : nullptr;
         l; l = l->next) {
        auto* obj = static_cast<diagram_object*>(l->data);
        const Point at = obj->position;
        obj->ops->move(obj, &at);
        object_update_connections(doc->GetDiagram(), obj, 0);
    }
    UpdateScrollSizes();
    doc->SetDisplay(m_pRenderer);
    SetTool(ID_TOOL_SELECT);
    // The frame fits the drawing, as far as the main window leaves room.
    if (CMDIChildWnd* frame = GetParentFrame()) {
        // Room for the frame's title bar and borders around the drawing.
        QSize want = GetTotalSize() + QSize(16, 44);
        QMdiArea* area = frame->mdiArea();
        if (area && area->isVisible())
            want = want.boundedTo(area->viewport()->size());
        else if (area && area->window())
            want =
                want.boundedTo(area->window()->size() - QSize(40, 160));  // before the first layout
        frame->resize(want.expandedTo(QSize(200, 150)));
    }
}

void CScenarioView::RenderDiagram(QPainter* painter, int width, int height, bool printing) {
    diagram_data* diagram = Diagram();
    vexil_dc* dc = vexil_qt_dc_create(painter, painter->device());
    renderer_set_dc(m_pRenderer, diagram, dc, nullptr, printing ? 0 : 1, diagram->scaling, width,
                    height);
    renderer_set_current(m_pRenderer);
    diagram_render(diagram, m_pRenderer,
                   printing ? 0 : DIAGRAM_RENDER_CONNECTION_POINTS | DIAGRAM_RENDER_HANDLES);
    if (!printing && m_pModifyTool && m_pModifyTool->box_visible)
        modify_tool_draw_overlay(m_pModifyTool, m_pRenderer);
    vexil_qt_dc_free(dc);
    AttachClientDC();
}

void CScenarioView::OnDraw(QPainter* painter) {
    if (!Diagram() || !m_pRenderer) return;
    if (IsPrinting()) {
        // Four fifths of the page, so the drawing keeps a margin.
        const QRect page = GetPrinter()->pageLayout().fullRectPixels(GetPrinter()->resolution());
        RenderDiagram(painter, std::max(1, int(page.width() * 0.8)),
                      std::max(1, int(page.height() * 0.8)), true);
    } else {
        RenderDiagram(painter, GetTotalSize().width(), GetTotalSize().height(), false);
    }
}

QImage CScenarioView::RenderImage(bool asPrinted) {
    QImage image(GetTotalSize(), QImage::Format_RGB32);
    image.fill(Qt::white);
    if (Diagram() && m_pRenderer) {
        QPainter painter(&image);
        RenderDiagram(&painter, image.width(), image.height(), asPrinted);
    }
    return image;
}

bool CScenarioView::OnPreparePrinting(QPrinter* printer) {
    return CView::OnPreparePrinting(printer);
}

QMenu* CScenarioView::CreateContextMenu() {
    CMDIFrameWnd* main = AfxGetMainWnd();
    auto* menu = new QMenu(this);
    menu->setObjectName(QString::number(IDR_CONTEXT_MENU));
    if (!main) return menu;
    main->UpdateCmdUI();
    const int ids[] = {ID_OBJECT_PROPERTIES, 0, ID_EDIT_CUT,       ID_EDIT_COPY,      ID_EDIT_PASTE,
                       ID_EDIT_CLEAR,        0, ID_OBJECT_TO_BACK, ID_OBJECT_TO_FRONT};
    for (int id : ids) {
        if (id == 0) {
            menu->addSeparator();
            continue;
        }
        QAction* action = main->FindCommand(id);
        if (!action) continue;
        menu->addAction(action);
        if (id == ID_OBJECT_PROPERTIES) menu->setDefaultAction(action);
    }
    return menu;
}

void CScenarioView::contextMenuEvent(QContextMenuEvent* event) {
    AbandonDrag();
    QMenu* menu = CreateContextMenu();
    menu->exec(event->globalPos());
    delete menu;
}
