#include "release_dlgs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QVBoxLayout>

#include <cmath>

#include "command_ids.h"
#include "message_box.h"
#include "message_ids.h"
#include "network_check.h"
#include "release_model.h"
#include "string_table.h"
#include "units.h"

namespace {

// Seconds per unit of the end-time list, in list order.
const struct {
    const char* name;
    float seconds;
} kTimeUnits[] = {{"seconds", 1.0f}, {"minutes", 60.0f}, {"hours", 3600.0f}, {"days", 86400.0f}};

}  // namespace

CReleaseModelDlg::CReleaseModelDlg(CReleaseModel* model, QWidget* parent)
    : CDialog(IDD, parent), m_model(model) {
    setWindowTitle(QStringLiteral("Discharge Model Parameters"));
    auto* layout = new QVBoxLayout(this);
    auto* setEnd =
        Tag(new QCheckBox(QStringLiteral("Set specific &end time for calculation"), this),
            IDC_SET_END_TIME);
    layout->addWidget(setEnd);
    auto* row = new QHBoxLayout;
    auto* stop = new QLabel(QStringLiteral("&Stop after:"), this);
    auto* edit = Tag(new QLineEdit(this), IDC_END_TIME);
    stop->setBuddy(edit);
    m_unit = Tag(new QComboBox(this), IDC_END_TIME_UNIT);
    for (const auto& u : kTimeUnits) m_unit->addItem(QString::fromLatin1(u.name));
    row->addWidget(stop);
    row->addWidget(edit);
    row->addWidget(m_unit);
    layout->addLayout(row);
    layout->addWidget(Tag(new QCheckBox(QStringLiteral("Disable &temperature calculations"), this),
                          IDC_DISABLE_TEMP));
    layout->addWidget(MakeOkCancelRow());
    connect(setEnd, &QCheckBox::toggled, this, [this] { EnableEndTime(); });
}

void CReleaseModelDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Check(pDX, IDC_SET_END_TIME, m_setEndTime);
    DDX_Text(pDX, IDC_END_TIME, m_endTime);
    DDX_Check(pDX, IDC_DISABLE_TEMP, m_disableTemp);
}

bool CReleaseModelDlg::OnInitDialog() {
    const ReleaseControl& control = m_model->Control();
    m_endTime = control.TUSER;
    m_setEndTime = control.TUSER > 1e-6f ? 1 : 0;
    m_disableTemp = control.NOTEMP != 0 ? 1 : 0;
    m_unit->setCurrentIndex(0);
    CDialog::OnInitDialog();
    EnableEndTime();
    return true;
}

void CReleaseModelDlg::EnableEndTime() {
    const bool on = Item<QCheckBox>(IDC_SET_END_TIME)->isChecked();
    GetDlgItem(IDC_END_TIME)->setEnabled(on);
    m_unit->setEnabled(on);
}

void CReleaseModelDlg::OnOK() {
    const int unit = m_unit->currentIndex();
    if (!UpdateData(true)) return;
    const float perUnit = unit >= 0 && unit < 4 ? kTimeUnits[unit].seconds : 1.0f;
    ReleaseControl& control = m_model->Control();
    // A stop time left as shown keeps its bits (the field shows 6 digits).
    const bool endAsShown = m_setEndTime && unit == 0 && !IsTextChanged(IDC_END_TIME);
    const float stop = !m_setEndTime ? 0.0f : endAsShown ? control.TUSER : m_endTime * perUnit;
    if (const ValidationError e = network::CheckEndTime(stop); e.id != 0) {
        AfxMessageBox(ValidationMessage(e, [](unsigned id) { return AfxLoadString(int(id)); }),
                      MB_ICONEXCLAMATION);
        if (QWidget* edit = GetDlgItem(IDC_END_TIME)) edit->setFocus();
        return;
    }
    const int32_t noTemp = m_disableTemp ? 1 : 0;
    m_changed = stop != control.TUSER || noTemp != control.NOTEMP;
    control.TUSER = stop;
    control.NOTEMP = noTemp;
    EndDialog(IDOK);
}

namespace {

// Edit field, unit label, quantity key and summary word of each value.
const struct {
    int edit;
    int label;
    const char* key;
    int word;
    const char* caption;
} kSummaryFields[] = {
    {45539, 45541, "TIME", 0, "Time to get total mass:"},
    {45540, 45542, "MASSRATE", 1, "Peak mass rate:"},
    {45543, 45547, "OILRATE", 2, "Peak oil rate:"},
    {45544, 45548, "GASRATE", 3, "Peak gas rate:"},
    {45545, 45549, "OILRATESTD", 4, "Peak oil rate (std.cond):"},
    {45546, 45550, "GASRATESTD", 5, "Peak gas rate (std.cond):"},
    {45551, 45552, "MASSTOT", 6, "Total mass:"},
    {45553, 45554, "OILTOT", 7, "Total oil:"},
    {45555, 45556, "GASTOT", 8, "Total gas:"},
    {45557, 45558, "OILTOTSTD", 9, "Total oil (std.cond):"},
    {45559, 45560, "GASTOTSTD", 10, "Total gas (std.cond):"},
};

QLineEdit* readOnlyField(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setReadOnly(true);
    edit->setAlignment(Qt::AlignRight);
    return edit;
}

}  // namespace

CReleaseResultDlg::CReleaseResultDlg(const DischargeSummary& summary, bool outdated,
                                     const QString& warning, QWidget* parent)
    : CDialog(IDD, parent), m_summary(summary), m_outdated(outdated), m_warning(warning) {
    setWindowTitle(QStringLiteral("Discharge Summary"));
    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    int row = 0;
    for (const auto& f : kSummaryFields) {
        grid->addWidget(new QLabel(QString::fromLatin1(f.caption), this), row, 0);
        grid->addWidget(Tag(readOnlyField(this), f.edit), row, 1);
        grid->addWidget(Tag(new QLabel(this), f.label), row, 2);
        if (f.word == 0) {
            ++row;
            auto* hours = readOnlyField(this);
            hours->setObjectName(QLatin1String(HOURS_FIELD));
            auto* days = readOnlyField(this);
            days->setObjectName(QLatin1String(DAYS_FIELD));
            grid->addWidget(hours, row, 1);
            grid->addWidget(new QLabel(QStringLiteral("h"), this), row, 2);
            ++row;
            grid->addWidget(days, row, 1);
            grid->addWidget(new QLabel(QStringLiteral("d"), this), row, 2);
        }
        ++row;
    }
    layout->addLayout(grid);
    auto* warningsLabel = new QLabel(QStringLiteral("&Warnings"), this);
    layout->addWidget(warningsLabel);
    auto* warnings = Tag(new QPlainTextEdit(this), IDC_WARNINGS);
    warningsLabel->setBuddy(warnings);  // Alt+W, and no "&" on the screen
    warnings->setReadOnly(true);
    warnings->setMaximumHeight(60);
    layout->addWidget(warnings);
    auto* outdatedLabel =
        Tag(new QLabel(QStringLiteral("NB: This result is outdated!"), this), IDC_OUTDATED);
    outdatedLabel->setStyleSheet(QStringLiteral("color: red"));
    layout->addWidget(outdatedLabel);
    auto* ok = MakeOkCancelRow();
    if (auto* cancel = ok->findChild<QWidget*>(QString::number(IDCANCEL))) cancel->hide();
    layout->addWidget(ok);
}

double CReleaseResultDlg::Hours(float seconds) {
    return std::floor(double(seconds) / 36.0 + 0.5) / 100.0;
}

double CReleaseResultDlg::Days(float seconds) {
    return std::floor(double(seconds) / 86.4 + 0.5) / 1000.0;
}

bool CReleaseResultDlg::OnInitDialog() {
    const float* v = &m_summary.time;
    for (const auto& f : kSummaryFields) {
        const float shown = ToDisplayUnits(f.key, v[f.word]);
        const QString text = f.word == 0
                                 ? QString::number(std::llround(std::floor(double(shown) + 0.5)))
                                 : QString::asprintf("%.3g", double(shown));
        AfxSetControlText(GetDlgItem(f.edit), text);
        const QString unit = GetUnitLabel(f.key, false);
        AfxSetControlText(GetDlgItem(f.label),
                          unit.isEmpty() && f.word == 0 ? QStringLiteral("s") : unit);
    }
    AfxSetControlText(findChild<QWidget*>(QLatin1String(HOURS_FIELD)),
                      QString::number(Hours(m_summary.time)));
    AfxSetControlText(findChild<QWidget*>(QLatin1String(DAYS_FIELD)),
                      QString::number(Days(m_summary.time)));
    if (CReleaseModel::IsRunStoppedWarning(m_warning)) {
        // The time field and its unit say that the time is a lower bound.
        const auto& f = kSummaryFields[0];
        AfxSetControlText(
            GetDlgItem(f.edit),
            AfxFormatString1(IDS_TIME_AT_LEAST, AfxGetControlText(GetDlgItem(f.edit))));
        AfxSetControlText(
            GetDlgItem(f.label),
            AfxFormatString1(IDS_TIME_RUN_STOPPED, AfxGetControlText(GetDlgItem(f.label))));
    }
    AfxSetControlText(GetDlgItem(IDC_WARNINGS), m_warning);
    GetDlgItem(IDC_OUTDATED)->setVisible(m_outdated);
    return true;
}
