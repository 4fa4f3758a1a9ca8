#include "main_frame.h"

#include <QAction>
#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>

#include "command_ids.h"
#include "win_app.h"

namespace {

struct CommandText {
    int id;
    const char* text;
};

// Menu texts with their accelerators after a tab.
const CommandText kCommands[] = {
    {ID_FILE_NEW, "&New\tCtrl+N"},
    {ID_FILE_OPEN, "&Open...\tCtrl+O"},
    {ID_FILE_CLOSE, "&Close"},
    {ID_FILE_SAVE, "&Save\tCtrl+S"},
    {ID_FILE_SAVE_AS, "Save &As..."},
    {ID_FILE_PRINT, "&Print...\tCtrl+P"},
    {ID_FILE_PRINT_DIRECT, "Print &Direct"},
    {ID_FILE_PRINT_PREVIEW, "Print Pre&view"},
    {ID_APP_EXIT, "E&xit"},
    {ID_EDIT_CUT, "Cu&t\tCtrl+X"},
    {ID_EDIT_COPY, "&Copy\tCtrl+C"},
    {ID_EDIT_PASTE, "&Paste\tCtrl+V"},
    {ID_EDIT_CLEAR, "&Delete\tDel"},
    {ID_EDIT_COPY_ALL, "Copy &All\tCtrl+A"},
    {ID_APP_OPTIONS, "O&ptions..."},
    {ID_VIEW_TOOLBAR, "&Toolbar"},
    {ID_VIEW_SCENARIO_BAR, "S&cenario Bar"},
    {ID_VIEW_STATUS_BAR, "&Status Bar"},
    {ID_VIEW_ZOOM, "&Zoom..."},
    {ID_VIEW_ZOOM_IN, "Zoom &In\tF9"},
    {ID_VIEW_ZOOM_OUT, "Zoom &Out\tF10"},
    {ID_TOOL_SELECT, "&Select"},
    {ID_TOOL_PIPELINE, "&Pipeline"},
    {ID_TOOL_PIPEJOIN, "&Connection"},
    {ID_TOOL_JUNCTION, "&Junction"},
    {ID_TOOL_INLET, "&Inlet"},
    {ID_TOOL_OUTLET, "&Outlet"},
    {ID_TOOL_LEAKAGE, "&Leakage"},
    {ID_TOOL_TEXT, "&Text"},
    {ID_OBJECT_PROPERTIES, "P&roperties"},
    {ID_OBJECT_TO_BACK, "Send to &Back"},
    {ID_OBJECT_TO_FRONT, "Bring to &Front"},
    {ID_OBJECT_FROM_DATABASE, "From &Database..."},
    {ID_SCENARIO_VERIFY, "&Verify Layout\tF7"},
    {ID_SCENARIO_FLUID, "&Fluid Properties..."},
    {ID_SCENARIO_GAS_COMPOSITION, "&Gas Composition..."},
    {ID_SCENARIO_DISCHARGE_SETUP, "Dis&charge Setup..."},
    {ID_SCENARIO_NEARFIELD_SETUP, "Nearfield &Setup..."},
    {ID_SCENARIO_CALC_DISCHARGE, "Calculate &Discharge"},
    {ID_SCENARIO_CALC_NEARFIELD, "Calculate &Nearfield"},
    {ID_SCENARIO_CALC_ALL, "Calculate &All\tF5"},
    {ID_RESULT_DISCHARGE, "&Discharge..."},
    {ID_RESULT_RELEASE_PLOT, "Release &Plot..."},
    {ID_RESULT_NEARFIELD_PLOT, "&Nearfield Plot..."},
    {ID_WINDOW_NEW, "&New Window"},
    {ID_WINDOW_NEW_SUMMARY, "New &Summary Window"},
    {ID_WINDOW_CASCADE, "&Cascade"},
    {ID_WINDOW_TILE_HORZ, "&Tile"},
    {ID_WINDOW_NEXT, "Ne&xt Window\tCtrl+F6"},
    {ID_APP_ABOUT, "&About Orvane..."},
};

struct MenuLayout {
    const char* title;
    std::initializer_list<int> ids;  // 0: separator
};

const MenuLayout kMenus[] = {
    {"&File",
     {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_CLOSE, ID_FILE_SAVE, ID_FILE_SAVE_AS, 0, ID_FILE_PRINT,
      ID_FILE_PRINT_DIRECT, ID_FILE_PRINT_PREVIEW, 0, ID_APP_EXIT}},
    {"&Edit",
     {ID_EDIT_CUT, ID_EDIT_COPY, ID_EDIT_PASTE, ID_EDIT_CLEAR, 0, ID_EDIT_COPY_ALL, 0,
      ID_APP_OPTIONS}},
    {"&View",
     {ID_VIEW_TOOLBAR, ID_VIEW_SCENARIO_BAR, ID_VIEW_STATUS_BAR, 0, ID_VIEW_ZOOM, ID_VIEW_ZOOM_IN,
      ID_VIEW_ZOOM_OUT}},
    {"&Object",
     {ID_TOOL_SELECT, 0, ID_TOOL_PIPELINE, ID_TOOL_PIPEJOIN, ID_TOOL_JUNCTION, ID_TOOL_INLET,
      ID_TOOL_OUTLET, 0, ID_TOOL_LEAKAGE, ID_TOOL_TEXT, 0, ID_OBJECT_PROPERTIES, ID_OBJECT_TO_BACK,
      ID_OBJECT_TO_FRONT, 0, ID_OBJECT_FROM_DATABASE}},
    {"&Scenario",
     {ID_SCENARIO_VERIFY, 0, ID_SCENARIO_FLUID, ID_SCENARIO_GAS_COMPOSITION,
      ID_SCENARIO_DISCHARGE_SETUP, ID_SCENARIO_NEARFIELD_SETUP, 0, ID_SCENARIO_CALC_DISCHARGE,
      ID_SCENARIO_CALC_NEARFIELD, ID_SCENARIO_CALC_ALL}},
    {"&Result", {ID_RESULT_DISCHARGE, 0, ID_RESULT_RELEASE_PLOT, ID_RESULT_NEARFIELD_PLOT}},
    {"&Window",
     {ID_WINDOW_NEW, ID_WINDOW_NEW_SUMMARY, 0, ID_WINDOW_CASCADE, ID_WINDOW_TILE_HORZ,
      ID_WINDOW_NEXT}},
    {"&Help", {ID_APP_ABOUT}},
};

// Small drawn glyphs for the commands that have no themed icon.
QIcon drawnIcon(int id) {
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Qt::black, 1.5));
    switch (id) {
        case ID_TOOL_SELECT: {
            QPainterPath arrow;
            arrow.moveTo(4, 2);
            arrow.lineTo(4, 14);
            arrow.lineTo(7, 11);
            arrow.lineTo(10, 15);
            arrow.lineTo(12, 14);
            arrow.lineTo(9, 10);
            arrow.lineTo(13, 10);
            arrow.closeSubpath();
            p.fillPath(arrow, Qt::white);
            p.drawPath(arrow);
            break;
        }
        case ID_TOOL_PIPELINE:
            p.setPen(QPen(Qt::black, 3));
            p.drawLine(2, 13, 14, 3);
            break;
        case ID_TOOL_PIPEJOIN:
            p.setBrush(Qt::white);
            p.drawEllipse(QPointF(8, 8), 4, 4);
            break;
        case ID_TOOL_JUNCTION:
            p.setBrush(Qt::black);
            p.drawEllipse(QPointF(8, 8), 5, 5);
            break;
        case ID_TOOL_INLET:
            p.setBrush(Qt::black);
            p.drawPolygon(QPolygonF({{3, 3}, {13, 8}, {3, 13}}));
            break;
        case ID_TOOL_OUTLET:
            p.setBrush(Qt::white);
            p.drawRect(3, 3, 10, 10);
            break;
        case ID_TOOL_LEAKAGE:
            p.setPen(QPen(QColor(255, 0, 0), 2));
            p.drawLine(3, 3, 13, 13);
            p.drawLine(13, 3, 3, 13);
            break;
        case ID_TOOL_TEXT:
            p.setFont(QFont(QStringLiteral("Arial"), 11, QFont::Bold));
            p.drawText(pm.rect(), Qt::AlignCenter, "A");
            break;
        case ID_SCENARIO_VERIFY:
            p.setPen(QPen(QColor(0, 128, 0), 2.5));
            p.drawPolyline(QPolygonF({{2, 8}, {6, 13}, {14, 3}}));
            break;
        case ID_SCENARIO_CALC_ALL:
            p.setBrush(QColor(0, 96, 192));
            p.drawPolygon(QPolygonF({{4, 2}, {14, 8}, {4, 14}}));
            break;
        case ID_SCENARIO_FLUID:
            p.setBrush(QColor(80, 160, 255));
            p.drawEllipse(QRectF(4, 5, 8, 9));
            p.drawLine(8, 1, 8, 5);
            break;
        case ID_EDIT_CUT:
            p.drawEllipse(QPointF(5, 12), 2.5, 2.5);
            p.drawEllipse(QPointF(11, 12), 2.5, 2.5);
            p.drawLine(6, 10, 11, 2);
            p.drawLine(10, 10, 5, 2);
            break;
        case ID_EDIT_COPY:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(2.5, 2.5, 7, 9));
            p.drawRect(QRectF(6.5, 5.5, 7, 9));
            break;
        case ID_EDIT_PASTE:
            p.setBrush(QColor(200, 160, 90));
            p.drawRect(QRectF(2.5, 3.5, 10, 11));
            p.setBrush(Qt::white);
            p.drawRect(QRectF(6.5, 6.5, 7, 8));
            break;
        case ID_FILE_PRINT:
            p.setBrush(Qt::white);
            p.drawRect(QRectF(4.5, 1.5, 7, 6));
            p.setBrush(QColor(160, 160, 160));
            p.drawRect(QRectF(1.5, 7.5, 13, 6));
            break;
        default:
            break;
    }
    return QIcon(pm);
}

QIcon commandIcon(int id) {
    QStyle* style = QApplication::style();
    switch (id) {
        case ID_FILE_NEW:
            return style->standardIcon(QStyle::SP_FileIcon);
        case ID_FILE_OPEN:
            return style->standardIcon(QStyle::SP_DialogOpenButton);
        case ID_FILE_SAVE:
            return style->standardIcon(QStyle::SP_DialogSaveButton);
        case ID_FILE_PRINT:
            return QIcon::fromTheme(QStringLiteral("document-print"), drawnIcon(ID_FILE_PRINT));
        case ID_EDIT_CUT:
            return QIcon::fromTheme(QStringLiteral("edit-cut"), drawnIcon(ID_EDIT_CUT));
        case ID_EDIT_COPY:
            return QIcon::fromTheme(QStringLiteral("edit-copy"), drawnIcon(ID_EDIT_COPY));
        case ID_EDIT_PASTE:
            return QIcon::fromTheme(QStringLiteral("edit-paste"), drawnIcon(ID_EDIT_PASTE));
        case ID_APP_ABOUT:
            return style->standardIcon(QStyle::SP_MessageBoxInformation);
        default:
            return drawnIcon(id);
    }
}

}  // namespace

QString MenuTextOf(int id) {
    for (const CommandText& c : kCommands)
        if (c.id == id) return QString::fromUtf8(c.text);
    return {};
}

CMainFrame::CMainFrame() {
    setObjectName(QString::number(IDR_MAINFRAME));
    setWindowTitle(QStringLiteral("Orvane"));
    OnCommand(ID_VIEW_SCENARIO_BAR, [this] { OnToggleScenarioBar(); });
    OnUpdateCommand(ID_VIEW_SCENARIO_BAR, [this](CCmdUI* ui) {
        ui->SetCheck(m_pScenarioBar && !m_pScenarioBar->isHidden());
    });
    OnCommand(ID_VIEW_TOOLBAR, [this] { m_pToolBar->setVisible(m_pToolBar->isHidden()); });
    OnUpdateCommand(ID_VIEW_TOOLBAR,
                    [this](CCmdUI* ui) { ui->SetCheck(m_pToolBar && !m_pToolBar->isHidden()); });
    OnCommand(ID_VIEW_STATUS_BAR, [this] { statusBar()->setVisible(statusBar()->isHidden()); });
    OnUpdateCommand(ID_VIEW_STATUS_BAR,
                    [this](CCmdUI* ui) { ui->SetCheck(!statusBar()->isHidden()); });
}

int CMainFrame::OnCreate() {
    for (const CommandText& c : kCommands) {
        QAction* action = AddCommand(c.id, QString::fromUtf8(c.text));
        action->setIcon(commandIcon(c.id));
        action->setIconVisibleInMenu(false);
    }
    // The recent files: File1 .. File9 between Print Preview and Exit.
    for (int i = 0; i < 9; ++i) AddCommand(ID_FILE_MRU_FILE1 + i, QString())->setVisible(false);
    for (const MenuLayout& m : kMenus) {
        QMenu* menu = AddMenu(QString::fromUtf8(m.title));
        menu->setObjectName(QString::fromUtf8(m.title).remove(QLatin1Char('&')));
        for (int id : m.ids) {
            if (id == 0) {
                menu->addSeparator();
                continue;
            }
            if (id == ID_APP_EXIT && !m_pFileMenu) {
                m_pFileMenu = menu;
                for (int i = 0; i < 9; ++i) menu->addAction(FindCommand(ID_FILE_MRU_FILE1 + i));
                m_pRecentSeparator = menu->addSeparator();
            }
            menu->addAction(FindCommand(id));
        }
    }
    connect(m_pFileMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateRecentFileMenu);

    m_pToolBar =
        MakeToolBar(IDW_TOOLBAR, QStringLiteral("Standard"),
                    {ID_FILE_NEW, ID_FILE_OPEN, ID_FILE_SAVE, 0, ID_EDIT_CUT, ID_EDIT_COPY,
                     ID_EDIT_PASTE, 0, ID_FILE_PRINT, 0, ID_SCENARIO_FLUID, 0, ID_APP_ABOUT});
    m_pScenarioBar =
        MakeToolBar(IDW_SCENARIO_BAR, QStringLiteral("Scenario Bar"),
                    {ID_TOOL_SELECT, 0, ID_TOOL_PIPELINE, ID_TOOL_PIPEJOIN, ID_TOOL_JUNCTION,
                     ID_TOOL_INLET, ID_TOOL_OUTLET, 0, ID_TOOL_LEAKAGE, ID_TOOL_TEXT, 0,
                     ID_SCENARIO_VERIFY, ID_SCENARIO_CALC_ALL});
    if (!m_pToolBar || !m_pScenarioBar) return -1;

    QStatusBar* status = statusBar();
    status->setObjectName(QStringLiteral("StatusBar"));
    const auto pane = [status](const char* text) {
        auto* label = new QLabel(QString::fromLatin1(text), status);
        label->setObjectName(QString::fromLatin1(text));
        label->setAlignment(Qt::AlignCenter);
        label->setMinimumWidth(label->fontMetrics().horizontalAdvance(QStringLiteral("SCRL")) + 12);
        // Lock-key states cannot be read portably: the panes keep their
        // place in the usual layout, greyed.
        label->setEnabled(false);
        status->addPermanentWidget(label);
        return label;
    };
    m_pCapPane = pane("CAP");
    m_pNumPane = pane("NUM");
    m_pScrlPane = pane("SCRL");
    status->showMessage(QStringLiteral("Ready"));
    UpdateCmdUI();
    return 0;
}

QToolBar* CMainFrame::MakeToolBar(int id, const QString& title,
                                  const std::initializer_list<int>& ids) {
    auto* bar = new QToolBar(title, this);
    bar->setObjectName(QString::number(id));
    bar->setIconSize(QSize(16, 16));
    bar->setMovable(true);
    bar->setFloatable(true);
    for (int cmd : ids) {
        if (cmd == 0)
            bar->addSeparator();
        else
            bar->addAction(FindCommand(cmd));
    }
    addToolBar(Qt::TopToolBarArea, bar);
    return bar;
}

void CMainFrame::OnToggleScenarioBar() {
    m_pScenarioBar->setVisible(m_pScenarioBar->isHidden());
    UpdateCmdUI();
}

void CMainFrame::UpdateRecentFileMenu() {
    CRecentFileList* list = AfxGetApp() ? AfxGetApp()->GetRecentFileList() : nullptr;
    const int n = list ? list->GetSize() : 0;
    for (int i = 0; i < 9; ++i) {
        QAction* action = FindCommand(ID_FILE_MRU_FILE1 + i);
        action->setVisible(i < n);
        if (i < n) {
            const QString path = (*list)[i];
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(path).fileName()));
            action->setStatusTip(path);
        }
    }
    m_pRecentSeparator->setVisible(n > 0);
}
