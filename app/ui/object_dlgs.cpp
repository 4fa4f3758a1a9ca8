#include "object_dlgs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <cmath>

#include "command_ids.h"
#include "fluid_model.h"
#include "message_box.h"
#include "message_ids.h"
#include "unit_dialog.h"
#include "units.h"

namespace {

// The whole number a text begins with (an empty or other text: -1 when
// empty, else 0), as the closing-time toggle keeps it.
float wholeNumberOf(const QString& text) {
    if (text.trimmed().isEmpty()) return -1.0f;
    static const QRegularExpression number(QStringLiteral(R"(^\s*[-+]?\d+)"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? float(m.captured(0).trimmed().toLongLong()) : 0.0f;
}

}  // namespace

int ClosingTimeFromDialog(float v) {
    const double rounded = double(v) + 0.5;
    if (rounded < -0.00001) return -1;
    return int(std::trunc(rounded));
}

double HydrostaticPressure(double depth) { return depth * 9.80665 * 1030.0 + 101325.0; }

// ---------------------------------------------------------- CZefPropsDlg

CZefPropsDlg::CZefPropsDlg(int templateId, const QString& caption, bool needsLabel, QWidget* parent)
    : CDialog(templateId, parent), m_pGrid(new QGridLayout(this)), m_bNeedsLabel(needsLabel) {
    setWindowTitle(caption);
}

void CZefPropsDlg::AddLabelRow() {
    auto* edit = Tag(new QLineEdit(this), IDC_LABEL);
    auto* caption = new QLabel(QStringLiteral("&Label:"), this);
    caption->setBuddy(edit);
    m_pGrid->addWidget(caption, 0, 0);
    m_pGrid->addWidget(edit, 0, 1, 1, 2);
}

void CZefPropsDlg::Finish() { m_pGrid->addWidget(MakeOkCancelRow(), m_pGrid->rowCount(), 0, 1, 3); }

void CZefPropsDlg::OnOK() {
    auto* label = Item<QLineEdit>(IDC_LABEL);
    if (m_bNeedsLabel && label && label->text().isEmpty()) {
        AfxMessageBox(IDS_LABEL_REQUIRED, MB_ICONERROR);
        label->setFocus();
        return;
    }
    CDialog::OnOK();
}

// --------------------------------------------------------------- inlet

CZefFlowInletPropsDlg::CZefFlowInletPropsDlg(QWidget* parent)
    : CZefPropsDlg(609, QStringLiteral("Flow Inlet Properties"), true, parent) {
    AddLabelRow();
    AddUnitRow(this, Grid(), 1, QStringLiteral("&Depth:"), IDC_DEPTH, IDC_DEPTH_UNIT,
               QStringLiteral("m"));
    AddUnitRow(this, Grid(), 2, QStringLiteral("Total gas &flow rate:"), IDC_FLOWRATE,
               IDC_FLOWRATE_UNIT, QStringLiteral("Sm3/d"));
    AddUnitRow(this, Grid(), 3, QStringLiteral("&Temperature:"), IDC_TEMP, IDC_TEMP_UNIT,
               QStringLiteral("deg.C"));
    AfxAcceptDigitsOnly(AddUnitRow(this, Grid(), 4, QStringLiteral("&Closing time:"),
                                   IDC_CLOSINGTIME, IDC_CLOSINGTIME_UNIT, QStringLiteral("s")));
    Finish();
}

void CZefFlowInletPropsDlg::SetFluidClass(int fluidClass) {
    m_rateKey = InletRateKey(fluidClass);
    if (QLayoutItem* item = Grid()->itemAtPosition(2, 0))
        if (auto* caption = qobject_cast<QLabel*>(item->widget()))
            caption->setText(fluidClass == FLUID_BLACK_OIL
                                 ? QStringLiteral("Total liquid &flow rate:")
                                 : QStringLiteral("Total gas &flow rate:"));
}

void CZefFlowInletPropsDlg::DoDataExchange(CDataExchange* pDX) {
    const UnitField table[] = {
        {"DEPTH", IDC_DEPTH, IDC_DEPTH_UNIT, &m_depth},
        {m_rateKey, IDC_FLOWRATE, IDC_FLOWRATE_UNIT, &m_flowrate},
        {"TEMP", IDC_TEMP, IDC_TEMP_UNIT, &m_temp},
        {"CLOSINGTIME", IDC_CLOSINGTIME, IDC_CLOSINGTIME_UNIT, &m_closingtime},
        {nullptr, 0, 0, nullptr}};
    BoundedExchangeBegin(pDX, table);
    DDX_Text(pDX, IDC_LABEL, m_strLabel);
    DDX_Text(pDX, IDC_DEPTH, m_depth);
    DDX_Text(pDX, IDC_FLOWRATE, m_flowrate);
    DDX_Text(pDX, IDC_TEMP, m_temp);
    DDX_Text(pDX, IDC_CLOSINGTIME, m_closingtime);
    BoundedExchangeEnd(pDX, table);
}

// -------------------------------------------------------------- outlet

CZefFlowOutletPropsDlg::CZefFlowOutletPropsDlg(QWidget* parent)
    : CZefPropsDlg(613, QStringLiteral("Flow Outlet Properties"), true, parent) {
    AddLabelRow();
    AddUnitRow(this, Grid(), 1, QStringLiteral("&Depth:"), IDC_DEPTH, IDC_DEPTH_UNIT,
               QStringLiteral("m"));
    AddUnitRow(this, Grid(), 2, QStringLiteral("&Pressure:"), IDC_PRESSURE, IDC_PRESSURE_UNIT,
               QStringLiteral("Pa"));
    auto* enable = Tag(new QCheckBox(QStringLiteral("&Enable closing"), this), IDC_ENABLE_CLOSING);
    Grid()->addWidget(enable, 3, 0, 1, 3);
    QLineEdit* closing = AddUnitRow(this, Grid(), 4, QStringLiteral("&Closing time:"),
                                    IDC_CLOSINGTIME, IDC_CLOSINGTIME_UNIT, QStringLiteral("s"));
    AfxAcceptDigitsOnly(closing);
    closing->setEnabled(false);
    connect(enable, &QCheckBox::clicked, this, [this] { OnEnableClosing(); });
    Finish();
}

void CZefFlowOutletPropsDlg::DoDataExchange(CDataExchange* pDX) {
    const UnitField table[] = {
        {"DEPTH", IDC_DEPTH, IDC_DEPTH_UNIT, &m_depth},
        {"PRESSURE", IDC_PRESSURE, IDC_PRESSURE_UNIT, &m_pressure},
        {"CLOSINGTIME", IDC_CLOSINGTIME, IDC_CLOSINGTIME_UNIT, &m_closingtime},
        {nullptr, 0, 0, nullptr}};
    BoundedExchangeBegin(pDX, table);
    DDX_Text(pDX, IDC_LABEL, m_strLabel);
    DDX_Text(pDX, IDC_DEPTH, m_depth);
    DDX_Text(pDX, IDC_PRESSURE, m_pressure);

    // The closing time: a checked box with a value, or none (-1).
    auto* enable = Item<QCheckBox>(IDC_ENABLE_CLOSING);
    auto* edit = static_cast<QLineEdit*>(pDX->PrepareCtrl(IDC_CLOSINGTIME));
    if (!pDX->m_bSaveAndValidate) {
        const bool closes = m_closingtime >= -1.0e-6f;
        enable->setChecked(closes);
        edit->setText(closes ? AfxFormatReal(m_closingtime, 6) : QString());
        NoteShownText(IDC_CLOSINGTIME, edit->text());
        edit->setEnabled(closes);
    } else if (!enable->isChecked() || edit->text().trimmed().isEmpty()) {
        m_closingtime = -1.0f;
    } else {
        double value = 0;
        if (!AfxParseReal(edit->text(), value)) {
            AfxMessageBox(AFX_IDP_PARSE_REAL, MB_ICONEXCLAMATION);
            pDX->Fail();
        }
        m_closingtime = float(value);
        if (!std::isfinite(m_closingtime)) {
            AfxMessageBox(AFX_IDP_PARSE_REAL, MB_ICONEXCLAMATION);
            pDX->Fail();
        }
    }
    BoundedExchangeEnd(pDX, table);
}

void CZefFlowOutletPropsDlg::OnEnableClosing() {
    auto* edit = Item<QLineEdit>(IDC_CLOSINGTIME);
    if (Item<QCheckBox>(IDC_ENABLE_CLOSING)->isChecked()) {
        if (m_closingtime < 0) m_closingtime = 0;
        edit->setText(AfxFormatReal(m_closingtime, 6));
        edit->setEnabled(true);
    } else {
        m_closingtime = wholeNumberOf(edit->text());
        edit->clear();
        edit->setEnabled(false);
    }
}

// ------------------------------------------------- junction and pipe join

CZefJunctionPropsDlg::CZefJunctionPropsDlg(QWidget* parent)
    : CZefPropsDlg(612, QStringLiteral("Junction Properties"), true, parent) {
    AddLabelRow();
    AddUnitRow(this, Grid(), 1, QStringLiteral("&Depth:"), IDC_DEPTH, IDC_DEPTH_UNIT,
               QStringLiteral("m"));
    Finish();
}

namespace {
void exchangeLabelAndDepth(CDataExchange* pDX, QString& label, float& depth) {
    const UnitField table[] = {{"DEPTH", IDC_DEPTH, IDC_DEPTH_UNIT, &depth},
                               {nullptr, 0, 0, nullptr}};
    BoundedExchangeBegin(pDX, table);
    DDX_Text(pDX, IDC_LABEL, label);
    DDX_Text(pDX, IDC_DEPTH, depth);
    BoundedExchangeEnd(pDX, table);
}
}  // namespace

void CZefJunctionPropsDlg::DoDataExchange(CDataExchange* pDX) {
    exchangeLabelAndDepth(pDX, m_strLabel, m_depth);
}

CZefPipejoinPropsDlg::CZefPipejoinPropsDlg(QWidget* parent)
    : CZefPropsDlg(607, QStringLiteral("Connection Properties"), false, parent) {
    AddLabelRow();
    AddUnitRow(this, Grid(), 1, QStringLiteral("&Depth:"), IDC_DEPTH, IDC_DEPTH_UNIT,
               QStringLiteral("m"));
    Finish();
}

void CZefPipejoinPropsDlg::DoDataExchange(CDataExchange* pDX) {
    exchangeLabelAndDepth(pDX, m_strLabel, m_depth);
}

// ------------------------------------------------------------ pipeline

CZefPipelinePropsDlg::CZefPipelinePropsDlg(QWidget* parent)
    : CZefPropsDlg(610, QStringLiteral("Pipeline Properties"), false, parent) {
    AddLabelRow();
    AddUnitRow(this, Grid(), 1, QStringLiteral("L&ength:"), IDC_LENGTH, IDC_LENGTH_UNIT,
               QStringLiteral("m"));
    AddUnitRow(this, Grid(), 2, QStringLiteral("&Diameter:"), IDC_DIAMETER, IDC_DIAMETER_UNIT,
               QStringLiteral("m"));
    AddUnitRow(this, Grid(), 3, QStringLiteral("&Roughness:"), IDC_ROUGHNESS, IDC_ROUGHNESS_UNIT,
               QStringLiteral("m"));
    AddUnitRow(this, Grid(), 4, QStringLiteral("&Heat transfer coeff.:"), IDC_HEATTRANS,
               IDC_HEATTRANS_UNIT, QStringLiteral("J/s"));
    AddUnitRow(this, Grid(), 5, QStringLiteral("&Ambient temperature:"), IDC_TEMP, IDC_TEMP_UNIT,
               QStringLiteral("deg.C"));
    Finish();
}

void CZefPipelinePropsDlg::DoDataExchange(CDataExchange* pDX) {
    const UnitField table[] = {{"DIAMETER", IDC_DIAMETER, IDC_DIAMETER_UNIT, &m_diameter},
                               {"HEATTRANS", IDC_HEATTRANS, IDC_HEATTRANS_UNIT, &m_heatTransCoeff},
                               {"TEMP", IDC_TEMP, IDC_TEMP_UNIT, &m_ambTemp},
                               {"LENGTH", IDC_LENGTH, IDC_LENGTH_UNIT, &m_length},
                               {"ROUGHNESS", IDC_ROUGHNESS, IDC_ROUGHNESS_UNIT, &m_roughness},
                               {nullptr, 0, 0, nullptr}};
    BoundedExchangeBegin(pDX, table);
    DDX_Text(pDX, IDC_LABEL, m_strLabel);
    DDX_Text(pDX, IDC_DIAMETER, m_diameter);
    DDX_Text(pDX, IDC_HEATTRANS, m_heatTransCoeff);
    DDX_Text(pDX, IDC_TEMP, m_ambTemp);
    DDX_Text(pDX, IDC_LENGTH, m_length);
    DDX_Text(pDX, IDC_ROUGHNESS, m_roughness);
    BoundedExchangeEnd(pDX, table);
}

// --------------------------------------------------------- spill point

CZefSpillPointPropsDlg::CZefSpillPointPropsDlg(QWidget* parent) : CDialog(611, parent) {
    setWindowTitle(QStringLiteral("Leakage Properties"));
    auto* grid = new QGridLayout(this);
    AddUnitRow(this, grid, 0, QStringLiteral("D&istance:"), IDC_DISTANCE, IDC_DISTANCE_UNIT,
               QStringLiteral("m"));
    auto* fromLabel = new QLabel(QStringLiteral("- &from endpoint:"), this);
    grid->addWidget(fromLabel, 1, 0);
    auto* from = Tag(new QComboBox(this), IDC_DISTANCE_FROM);
    fromLabel->setBuddy(from);  // without a buddy the label shows its '&'
    // The distance is always counted from the upstream end: the one entry is
    // shown, not chosen, and Tab goes on from the distance to the diameter.
    from->addItem(QStringLiteral("Upstream end of pipe"));
    from->setEnabled(false);
    from->setFocusPolicy(Qt::NoFocus);
    grid->addWidget(from, 1, 1);
    AddUnitRow(this, grid, 2, QStringLiteral("&Diameter:"), IDC_DIAMETER, IDC_DIAMETER_UNIT,
               QStringLiteral("m"));
    QLineEdit* depth = AddUnitRow(this, grid, 3, QStringLiteral("Water d&epth:"), IDC_DEPTH,
                                  IDC_DEPTH_UNIT, QStringLiteral("m"));
    // Shown, not entered: it always follows the water depth, and it looks it
    // (the dialog's own background instead of an entry field's white).
    QLineEdit* pressure = AddUnitRow(this, grid, 4, QStringLiteral("Back &pressure:"), IDC_PRESSURE,
                                     IDC_PRESSURE_UNIT, QStringLiteral("Pa"));
    pressure->setReadOnly(true);
    QPalette shown = pressure->palette();
    shown.setColor(QPalette::Base, shown.color(QPalette::Window));
    pressure->setPalette(shown);
    pressure->setFocusPolicy(Qt::ClickFocus);  // Tab goes past it to OK
    grid->addWidget(MakeOkCancelRow(), 5, 0, 1, 3);
    connect(depth, &QLineEdit::textChanged, this, [this] { UpdateBackPressure(); });
}

void CZefSpillPointPropsDlg::Table(UnitField* table) {
    const UnitField rows[] = {{"DEPTH", IDC_DEPTH, IDC_DEPTH_UNIT, &m_depth},
                              {"DISTANCE", IDC_DISTANCE, IDC_DISTANCE_UNIT, &m_distance},
                              {"DIAMETER", IDC_DIAMETER, IDC_DIAMETER_UNIT, &m_diameter},
                              {"PRESSURE", IDC_PRESSURE, IDC_PRESSURE_UNIT, &m_backpressure},
                              {nullptr, 0, 0, nullptr}};
    std::copy(std::begin(rows), std::end(rows), table);
}

bool CZefSpillPointPropsDlg::OnInitDialog() {
    UnitField table[5];
    Table(table);
    HoldValues(this, table);
    DDX_ToDisplayUnits(table);
    CDialog::OnInitDialog();
    SetUnitLabels(this, table);
    UpdateBackPressure();
    return true;
}

void CZefSpillPointPropsDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_DEPTH, m_depth);
    DDX_Text(pDX, IDC_DISTANCE, m_distance);
    DDX_Text(pDX, IDC_DIAMETER, m_diameter);
    // A depth too large for a float shows no back pressure to read: the
    // depth's range is named instead.
    if (!pDX->m_bSaveAndValidate || std::isfinite(m_depth))
        DDX_Text(pDX, IDC_PRESSURE, m_backpressure);
}

void CZefSpillPointPropsDlg::UpdateBackPressure() {
    auto* depth = Item<QLineEdit>(IDC_DEPTH);
    auto* pressure = Item<QLineEdit>(IDC_PRESSURE);
    const float metres = FromDisplayUnits("DEPTH", float(AfxLeadingReal(depth->text())));
    const double pa = HydrostaticPressure(metres);
    pressure->setText(AfxFormatReal(ToDisplayUnits("PRESSURE", float(pa)), 6));
}

void CZefSpillPointPropsDlg::OnOK() {
    UpdateBackPressure();
    // Only values that were all taken go back to internal units; a refused
    // field leaves the dialog open in display units.
    if (!UpdateData(true)) return;
    UnitField table[5];
    Table(table);
    CDataExchange dx(this, true);
    try {
        BoundedExchangeEnd(&dx, table);
    } catch (const CUserException&) {
        return;
    }
    EndDialog(IDOK);
}
