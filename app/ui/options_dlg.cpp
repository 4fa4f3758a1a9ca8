#include "options_dlg.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QVBoxLayout>

#include "system_settings.h"

CSystemSettingsDlg::CSystemSettingsDlg(QWidget* parent) : CDialog(0, parent) {
    setObjectName(QStringLiteral("Options"));
    setWindowTitle(QStringLiteral("Options"));
    auto* layout = new QVBoxLayout(this);

    auto* fonts = new QGroupBox(QStringLiteral("Font sizes"), this);
    auto* form = new QFormLayout(fonts);
    const auto sizeEdit = [this](int id) {
        auto* edit = Tag(new QLineEdit(this), id);
        edit->setAlignment(Qt::AlignRight);
        edit->setMaximumWidth(80);
        return edit;
    };
    form->addRow(QStringLiteral("Object &labels (pt):"), sizeEdit(IDC_SIZE_OBJECT_LABEL));
    form->addRow(QStringLiteral("&Text objects (pt):"), sizeEdit(IDC_SIZE_TEXT));
    auto* note = new QLabel(
        QStringLiteral("NB: The scenarios must be re-opened for the font changes to take effect on "
                       "existing diagram elements."),
        fonts);
    note->setWordWrap(true);
    form->addRow(note);
    layout->addWidget(fonts);

    auto* units = new QGroupBox(QStringLiteral("Display units"), this);
    auto* unitRow = new QVBoxLayout(units);
    unitRow->addWidget(Tag(new QRadioButton(QStringLiteral("&Metric"), units), IDC_UNITS_METRIC));
    unitRow->addWidget(
        Tag(new QRadioButton(QStringLiteral("&English (US)"), units), IDC_UNITS_ENGLISH));
    layout->addWidget(units);

    const struct {
        int id;
        const char* text;
    } checks[] = {
        {IDC_TOOL_RESET, "&Reset to Selection tool after object insertion"},
        {IDC_AUTO_RESULT_OPEN, "Auto-open discharge &summary after calculation"},
        {IDC_BACKUP, "Create &backup file before saving/overwriting"},
        {IDC_DIAGNOSTIC, "Generate &diagnostic messages and files"},
    };
    for (const auto& c : checks)
        layout->addWidget(Tag(new QCheckBox(QString::fromUtf8(c.text), this), c.id));
    layout->addWidget(MakeOkCancelRow());
}

void CSystemSettingsDlg::ReadFrom(const CSystemSettings& settings) {
    m_nSizeObjectLabel = settings.SizeObjectLabel();
    m_nSizeText = settings.SizeText();
    if (settings.DisplayUnits() == 0 || settings.DisplayUnits() == 1)
        m_nDisplayUnits = settings.DisplayUnits();
    m_bToolReset = settings.ToolReset();
    m_bAutoResultOpen = settings.AutoResultOpen();
    m_bBackup = settings.BackupBeforeOverwrite();
    m_bDiagnostic = settings.DiagnosticMode();
}

void CSystemSettingsDlg::WriteTo(CSystemSettings& settings) const {
    settings.SetSizeObjectLabel(m_nSizeObjectLabel);
    settings.SetSizeText(m_nSizeText);
    if (m_nDisplayUnits == 0 || m_nDisplayUnits == 1) settings.SetDisplayUnits(m_nDisplayUnits);
    settings.SetToolReset(m_bToolReset != 0);
    settings.SetAutoResultOpen(m_bAutoResultOpen != 0);
    settings.SetBackupBeforeOverwrite(m_bBackup != 0);
    settings.SetDiagnosticMode(m_bDiagnostic != 0);
}

void CSystemSettingsDlg::DoDataExchange(CDataExchange* pDX) {
    DDX_Text(pDX, IDC_SIZE_OBJECT_LABEL, m_nSizeObjectLabel);
    DDV_MinMaxInt(pDX, m_nSizeObjectLabel, 1, 3000);
    DDX_Text(pDX, IDC_SIZE_TEXT, m_nSizeText);
    DDV_MinMaxInt(pDX, m_nSizeText, 1, 3000);
    DDX_Radio(pDX, {IDC_UNITS_METRIC, IDC_UNITS_ENGLISH}, m_nDisplayUnits);
    DDX_Check(pDX, IDC_TOOL_RESET, m_bToolReset);
    DDX_Check(pDX, IDC_AUTO_RESULT_OPEN, m_bAutoResultOpen);
    DDX_Check(pDX, IDC_BACKUP, m_bBackup);
    DDX_Check(pDX, IDC_DIAGNOSTIC, m_bDiagnostic);
}
