#include "fluid_dlgs.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "command_ids.h"
#include "message_ids.h"
#include "message_box.h"
#include "prop_list_ctrl.h"
#include "string_table.h"
#include "unit_dialog.h"
#include "units.h"

// ------------------------------------------------------- CFluidPropsDlg

namespace {

// The line that says which description the runs use, and the box that
// makes them use this one: checked and fixed when they already do.
// Checked, the line says what the switch does to the inlet rates.
void addFluidChoice(CDialog* dlg, QGridLayout* grid, int row, bool inUse, int inUseText,
                    int otherText, int labelId, int boxId, const QString& boxCaption,
                    const QString& thisFluid) {
    auto* label = new QLabel(AfxLoadString(inUse ? inUseText : otherText), dlg);
    label->setObjectName(QString::number(labelId));
    label->setWordWrap(true);
    grid->addWidget(label, row, 0, 1, 3);
    auto* box = new QCheckBox(boxCaption, dlg);
    box->setObjectName(QString::number(boxId));
    box->setChecked(inUse);
    box->setEnabled(!inUse);
    grid->addWidget(box, row + 1, 0, 1, 3);
    if (inUse) return;
    QObject::connect(box, &QCheckBox::toggled, label, [label, otherText, thisFluid](bool on) {
        label->setText(on ? AfxFormatString1(IDS_INLET_RATES_TO_ENTER, thisFluid)
                          : AfxLoadString(otherText));
        // The dialog grows to show the whole line.
        label->updateGeometry();
        if (QWidget* dialog = label->window()) {
            dialog->layout()->activate();
            const int width = dialog->width();
            const int height = dialog->layout()->hasHeightForWidth()
                                   ? dialog->layout()->totalHeightForWidth(width)
                                   : dialog->sizeHint().height();
            dialog->resize(width, std::max(dialog->height(), height));
        }
    });
}

}  // namespace

CFluidPropsDlg::CFluidPropsDlg(bool inUse, QWidget* parent) : CDialog(0, parent) {
    setObjectName(QStringLiteral("Fluid Properties"));
    setWindowTitle(QStringLiteral("Fluid Properties"));
    auto* grid = new QGridLayout(this);
    addFluidChoice(this, grid, 0, inUse, IDS_RUNS_USE_THIS_BLACK_OIL, IDS_RUNS_USE_THE_COMPOSITION,
                   IDC_FLUID_IN_USE, IDC_USE_FOR_RUNS,
                   QStringLiteral("&Use this black oil for the runs"),
                   QStringLiteral("this black oil"));
    AddUnitRow(this, grid, 2, QStringLiteral("&Gas density:"), IDC_GAS_DENSITY,
               IDC_GAS_DENSITY_UNIT);
    AddUnitRow(this, grid, 3, QStringLiteral("&Oil density:"), IDC_OIL_DENSITY,
               IDC_OIL_DENSITY_UNIT);
    AddUnitRow(this, grid, 4, QStringLiteral("Gas/oil &ratio:"), IDC_GOR, IDC_GOR_UNIT);
    AddUnitRow(this, grid, 5, QStringLiteral("&Water cut:"), IDC_WATER_CUT, 0, QStringLiteral("%"));
    grid->addWidget(MakeOkCancelRow(), 6, 0, 1, 3);
}

void CFluidPropsDlg::DoDataExchange(CDataExchange* pDX) {
    const UnitField table[] = {{"GASDENSITY", IDC_GAS_DENSITY, IDC_GAS_DENSITY_UNIT, &m_gasDensity},
                               {"OILDENSITY", IDC_OIL_DENSITY, IDC_OIL_DENSITY_UNIT, &m_oilDensity},
                               {"GOR", IDC_GOR, IDC_GOR_UNIT, &m_gasOilRatio},
                               {"WATERCUT", IDC_WATER_CUT, 0, &m_waterCut},
                               {nullptr, 0, 0, nullptr}};
    BoundedExchangeBegin(pDX, table);
    DDX_Text(pDX, IDC_GAS_DENSITY, m_gasDensity);
    DDX_Text(pDX, IDC_OIL_DENSITY, m_oilDensity);
    DDX_Text(pDX, IDC_GOR, m_gasOilRatio);
    DDX_Text(pDX, IDC_WATER_CUT, m_waterCut);
    BoundedExchangeEnd(pDX, table);
}

bool CFluidPropsDlg::UseForRuns() const { return Item<QCheckBox>(IDC_USE_FOR_RUNS)->isChecked(); }

bool CFluidPropsDlg::IsEdited() const {
    for (int id : {IDC_GAS_DENSITY, IDC_OIL_DENSITY, IDC_GOR, IDC_WATER_CUT})
        if (IsTextChanged(id)) return true;
    return false;
}

// --------------------------------------------------------- CGasPropsDlg

namespace {

// Refreshes the dialog's total after each edit of a fraction.
class FFractionChanged : public FEditableListCtrlCallback {
public:
    explicit FFractionChanged(CGasPropsDlg* dlg) : m_pDlg(dlg) {}
    void Changed(CPropListCtrl*, int, int) override { m_pDlg->RefreshTotal(); }

private:
    CGasPropsDlg* m_pDlg;
};

bool errorBox(int id, const QString& arg = QString()) {
    AfxMessageBox(arg.isNull() ? AfxLoadString(id) : AfxFormatString1(id, arg), MB_ICONERROR);
    return false;
}

}  // namespace

CGasPropsDlg::CGasPropsDlg(const QString& cataloguePath, bool inUse, QWidget* parent)
    : CDialog(0, parent), m_cataloguePath(cataloguePath) {
    setObjectName(QStringLiteral("Gas Properties"));
    setWindowTitle(QStringLiteral("Gas Properties"));
    resize(560, 460);
    auto* layout = new QVBoxLayout(this);
    auto* choice = new QGridLayout;
    addFluidChoice(this, choice, 0, inUse, IDS_RUNS_USE_THIS_COMPOSITION,
                   IDS_RUNS_USE_THE_BLACK_OIL, IDC_FLUID_IN_USE, IDC_USE_FOR_RUNS,
                   QStringLiteral("&Use this gas composition for the runs"),
                   QStringLiteral("this gas composition"));
    layout->addLayout(choice);
    m_pList = Tag(new CPropListCtrl(this), IDC_COMPONENTS);
    layout->addWidget(m_pList, 1);
    auto* row = new QHBoxLayout;
    auto* defaults = Tag(new QPushButton(QStringLiteral("&Defaults"), this), IDC_DEFAULTS);
    row->addWidget(defaults);
    row->addStretch(1);
    row->addWidget(new QLabel(QStringLiteral("Total:"), this));
    m_pTotal = Tag(new QLineEdit(this), IDC_TOTAL);
    m_pTotal->setReadOnly(true);
    m_pTotal->setAlignment(Qt::AlignRight);
    m_pTotal->setMaximumWidth(90);
    row->addWidget(m_pTotal);
    row->addWidget(new QLabel(QStringLiteral("%"), this));
    layout->addLayout(row);
    layout->addWidget(MakeOkCancelRow());
    connect(defaults, &QPushButton::clicked, this, [this] { OnDefaults(); });
}

void CGasPropsDlg::MergeDocumentComponents(const std::vector<FluidComponent>& docComponents) {
    m_components = MergeWithCatalogue(ReadFluidCatalogue(m_cataloguePath), docComponents);
}

bool CGasPropsDlg::OnInitDialog() {
    CDialog::OnInitDialog();
    // The list's client width once the dialog is laid out (it is not shown yet).
    layout()->activate();
    const int client =
        m_pList->contentsRect().width() - m_pList->verticalScrollBar()->sizeHint().width();
    int q = client / 4;
    q = q > 20 ? q - 1 : 20;
    QString density = GetUnitLabel("LIQDENSITY", false);
    if (density.isEmpty()) density = QStringLiteral("g/cm3");
    m_pList->InsertColumn(0, AfxLoadString(IDS_COLUMN_COMPONENT), Qt::AlignLeft, q);
    m_pList->InsertColumn(1, AfxLoadString(IDS_COLUMN_MOLE_PERCENT), Qt::AlignRight, q - q / 4);
    m_pList->InsertColumn(2, AfxFormatString1(IDS_COLUMN_MOLE_WEIGHT, QStringLiteral("g/mol")),
                          Qt::AlignRight, q);
    m_pList->InsertColumn(3, AfxFormatString1(IDS_COLUMN_LIQUID_DENSITY, density), Qt::AlignRight,
                          q + q / 4);
    m_pList->SetValidator(1, new FNumericValidater("%.3f"));
    m_pList->SetValidator(2, new FNumericValidater("%.3f"));
    m_pList->SetValidator(3, new FNumericValidater("%.4f"));
    FillRows();
    m_shownCells = Cells();
    return true;
}

QStringList CGasPropsDlg::Cells() const {
    QStringList cells;
    for (int row = 0; row < m_pList->GetItemCount(); ++row)
        for (int column = 0; column < 4; ++column) cells << m_pList->GetItemText(row, column);
    return cells;
}

bool CGasPropsDlg::UseForRuns() const { return Item<QCheckBox>(IDC_USE_FOR_RUNS)->isChecked(); }

bool CGasPropsDlg::IsEdited() const { return Cells() != m_shownCells; }

void CGasPropsDlg::FillRows() {
    m_pList->SetChangedCallback(1, nullptr);
    m_pList->setRowCount(0);
    for (size_t i = 0; i < m_components.size(); ++i) {
        const FluidComponent& c = m_components[i];
        const int row = m_pList->InsertItem(int(i), c.compid);
        m_pList->SetItemData(row, qintptr(i));
        m_pList->SetItemText(row, 1,
                             c.fraction > 0 ? QString::asprintf("%.3f", c.fraction) : QString());
        m_pList->SetItemText(row, 2, QString::asprintf("%.3f", c.mole_weight));
        const bool hasDensity = c.HasLiquidDensity() && c.liquid_density > 0;
        m_pList->SetItemText(
            row, 3,
            hasDensity ? QString::asprintf("%.4f", ToDisplayUnits("LIQDENSITY", c.liquid_density))
                       : QString());
        m_pList->SetLastEditableColumn(row, c.HasLiquidDensity() ? 3 : 2);
    }
    RefreshTotal();
    m_pList->SetChangedCallback(1, new FFractionChanged(this));
}

void CGasPropsDlg::RefreshTotal() {
    double total = 0;
    for (int row = 0; row < m_pList->GetItemCount(); ++row)
        total += AfxLeadingReal(m_pList->GetItemText(row, 1));
    m_pTotal->setText(QString::asprintf("%.3f", total));
}

void CGasPropsDlg::OnDefaults() {
    std::vector<FluidComponent> fresh = ReadFluidCatalogue(m_cataloguePath);
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        const QString id = m_pList->GetItemText(row, 0);
        const double fraction = AfxLeadingReal(m_pList->GetItemText(row, 1));
        for (FluidComponent& c : fresh)
            if (c.compid == id) c.fraction = fraction > 0 ? float(fraction) : 0.0f;
    }
    m_components = std::move(fresh);
    FillRows();
}

bool CGasPropsDlg::CheckRows() {
    double total = 0;
    for (int row = 0; row < m_pList->GetItemCount(); ++row) {
        const qintptr index = m_pList->GetItemData(row);
        if (index < 0 || size_t(index) >= m_components.size()) continue;
        FluidComponent& c = m_components[size_t(index)];
        const QString fractionText = m_pList->GetItemText(row, 1);
        double value = 0;
        const bool hasFraction = !fractionText.isEmpty() && AfxParseReal(fractionText, value);
        // A cell that holds no number is no 0: it is refused, as a pending one is.
        if (!fractionText.isEmpty() && !hasFraction) return errorBox(IDS_POSITIVE_NUMBER_REQUIRED);
        if (hasFraction && value < 0) return errorBox(IDS_FRACTION_NEGATIVE);
        const bool used = hasFraction && value > 0;
        c.fraction = used ? float(value) : 0.0f;
        const QString weightText = m_pList->GetItemText(row, 2);
        double weight = 0;
        const bool hasWeight = !weightText.isEmpty() && AfxParseReal(weightText, weight);
        if (!weightText.isEmpty() && (!hasWeight || weight <= 0))
            return errorBox(IDS_MOLE_WEIGHT_NOT_POSITIVE);
        if (!used) {
            if (hasWeight && weight > 0) c.mole_weight = float(weight);
            continue;
        }
        total += value;
        if (weightText.isEmpty()) return errorBox(IDS_MOLE_WEIGHT_MISSING);
        if (!hasWeight || weight <= 0) return errorBox(IDS_MOLE_WEIGHT_NOT_POSITIVE);
        c.mole_weight = float(weight);
        if (c.HasLiquidDensity()) {
            const QString densityText = m_pList->GetItemText(row, 3);
            double density = 0;
            if (densityText.isEmpty()) return errorBox(IDS_LIQUID_DENSITY_MISSING, c.compid);
            if (!AfxParseReal(densityText, density) || density <= 0)
                return errorBox(IDS_LIQUID_DENSITY_NOT_POSITIVE);
            c.liquid_density = FromDisplayUnits("LIQDENSITY", float(density));
        }
    }
    if (total > 100.001) return errorBox(IDS_FRACTIONS_ABOVE_100);
    if (total < 99.999) return errorBox(IDS_FRACTIONS_BELOW_100);
    return true;
}

void CGasPropsDlg::OnOK() {
    if (!m_pList->CommitEdit()) {
        errorBox(IDS_POSITIVE_NUMBER_REQUIRED);
        return;
    }
    if (CheckRows()) EndDialog(IDOK);
}
