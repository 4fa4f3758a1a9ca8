#pragma once
#include "doc_view.h"
#include "vexil/geometry.h"

class CScenarioDoc;
class QImage;
class QMenu;
struct diagram_data;
struct diagram_object;
struct modify_tool;
struct object_type;
struct renderer;
struct vexil_dc;

// The diagram window of a scenario: draws the network and edits it with the
// current tool (Select, or one of the object types to add).
class CScenarioView : public CView {
    Q_OBJECT
public:
    CScenarioView();
    ~CScenarioView() override;

    CScenarioDoc* GetDocument() const;
    int GetTool() const { return m_nTool; }
    modify_tool* GetModifyTool() const { return m_pModifyTool; }
    renderer* GetRenderer() const { return m_pRenderer; }

    void SetTool(int id);
    void AddObject(object_type* type, const Point& p);
    // The diagram distance that a few screen pixels make at the current zoom.
    double SnapRadius() const;
    // A key for the focused label: true when it took it.
    bool HandleTextKey(int code, const QString& character);
    void OnEditClear();
    void OnObjectProperties();
    void OnZoom();
    void OnZoomIn();
    void OnZoomOut();
    void UpdateScrollSizes();
    // Selects only this object and scrolls it into the middle of the window
    // when it is not in sight (the object a message is about).
    void ShowObject(diagram_object* obj);

    // The diagram point under a position of the view's window.
    Point ClientToDiagram(QPoint client) const;
    // The position in the view's window of a diagram point.
    QPoint DiagramToClient(const Point& p) const;

    void OnInitialUpdate() override;
    void OnDraw(QPainter* painter) override;
    bool OnPreparePrinting(QPrinter* printer) override;

    // The drawing as the screen shows it (connection points and handles of
    // the selection) or as it is printed (neither), at the view's size.
    QImage RenderImage(bool asPrinted);

    // The context menu (602), built from the main frame's commands.
    QMenu* CreateContextMenu();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void MakeCurrent() const;
    void RenderDiagram(QPainter* painter, int width, int height, bool printing);
    // Ends a drag the mouse can no longer finish (a menu took the mouse, the
    // window lost it): the press gets its release where it started.
    void AbandonDrag();
    void AttachClientDC();
    object_type* CreationType() const;
    diagram_data* Diagram() const;
    diagram_object* SingleSelected() const;

    int m_nTool = 34100;
    modify_tool* m_pModifyTool = nullptr;
    // A handle drag that a creation tool started (the end of a new Pipeline).
    modify_tool* m_pCreateDrag = nullptr;
    renderer* m_pRenderer = nullptr;
    vexil_dc* m_pClientDC = nullptr;
    Qt::MouseButton m_pressedButton = Qt::NoButton;
};
