#include "nearfield_dlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

#include <cmath>

#include "bubble_plume.h"
#include "command_ids.h"
#include "message_box.h"
#include "message_ids.h"
#include "nearfield_model.h"
#include "string_table.h"
#include "unit_dialog.h"
#include "units.h"

namespace {

const int kDateIds[] = {CNearFieldModelDlg::IDC_YEAR, CNearFieldModelDlg::IDC_MONTH,
                        CNearFieldModelDlg::IDC_DAY, CNearFieldModelDlg::IDC_HOUR,
                        CNearFieldModelDlg::IDC_MINUTE};

QLineEdit* addRow(CDialog* dlg, QGridLayout* grid, int row, const QString& caption, QLineEdit* edit,
                  const QString& unit = QString()) {
    auto* label = new QLabel(caption, dlg);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    if (!unit.isEmpty()) grid->addWidget(new QLabel(unit, dlg), row, 2);
    return edit;
}

}  // namespace

CNearFieldModelDlg::CNearFieldModelDlg(CNearFieldModel* model, const QString& ambientDir,
                                       QWidget* parent)
    : CDialog(IDD, parent), m_model(model), m_ambientDir(ambientDir) {
    setWindowTitle(QStringLiteral("Nearfield Model Parameters"));
    const QDateTime now = QDateTime::currentDateTimeUtc();
    m_year = now.date().year();
    m_month = now.date().month();
    m_day = now.date().day();
    m_hour = now.time().hour();
    m_minute = now.time().minute();

    auto* layout = new QVBoxLayout(this);
    auto* grid = new QGridLayout;
    int row = 0;
    m_ambient = Tag(new QComboBox(this), IDC_AMBIENT);
    auto* ambientLabel = new QLabel(QStringLiteral("&Ambient data:"), this);
    ambientLabel->setBuddy(m_ambient);
    grid->addWidget(ambientLabel, row, 0);
    grid->addWidget(m_ambient, row++, 1, 1, 2);
    AddUnitRow(this, grid, row++, QStringLiteral("&Water temperature:"), IDC_WATER_TEMP,
               IDC_WATER_TEMP_UNIT);
    const struct {
        const char* caption;
        int id;
        const char* unit;
    } reals[] = {
        {"Start current &at:", IDC_AMBIENT_START, "hours"},
        {"Plume &tracking time:", IDC_PLUME_TRACKING, "s"},
        {"Plume time &step:", IDC_PLUME_STEP, "s"},
        {"Plume &output interval:", IDC_PLUME_OUTPUT, "s"},
        {"S&moothing (rows):", IDC_SMOOTHING, ""},
        {"Snapshot &interval:", IDC_SNAPSHOT_INTERVAL, "hours"},
    };
    for (const auto& r : reals)
        addRow(this, grid, row++, QString::fromUtf8(r.caption), Tag(new QLineEdit(this), r.id),
               QString::fromUtf8(r.unit));
    layout->addLayout(grid);
    layout->addWidget(
        Tag(new QCheckBox(QStringLiteral("&Hydrate formation"), this), IDC_OPTION_HYDRATE));
    layout->addWidget(
        Tag(new QCheckBox(QStringLiteral("Ocean &diffusion"), this), IDC_OPTION_OCEANDIF));
    auto* ulv = Tag(new QCheckBox(QStringLiteral("Output to &Ulv/5 air emission model"), this),
                    IDC_OPTION_ULV5);
    layout->addWidget(ulv);
    auto* date = new QHBoxLayout;
    const char* const dateCaptions[] = {"Year:", "Month:", "Day:", "Hour:", "Minute:"};
    for (int i = 0; i < 5; ++i) {
        date->addWidget(new QLabel(QString::fromLatin1(dateCaptions[i]), this));
        auto* edit = Tag(new QLineEdit(this), kDateIds[i]);
        edit->setMaximumWidth(i == 0 ? 60 : 40);
        date->addWidget(edit);
    }
    date->addWidget(new QLabel(QStringLiteral("UTC"), this));
    layout->addLayout(date);
    // Which settings act on the plume, so that none is believed to.
    auto* used = new QLabel(AfxLoadString(IDS_NEARFIELD_SETTINGS_USED), this);
    used->setWordWrap(true);
    used->setObjectName(QString::number(IDC_SETTINGS_USED));
    layout->addWidget(used);
    layout->addWidget(MakeOkCancelRow());
    connect(ulv, &QCheckBox::toggled, this, [this] { EnableDate(); });
}

QStringList CNearFieldModelDlg::AmbientFiles(const QString& dir) {
    QDir folder(dir);
    folder.setNameFilters({QStringLiteral("*.AHP")});
    folder.setFilter(QDir::Files);
    folder.setSorting(QDir::Name | QDir::IgnoreCase);
    // QDir matches name filters without regard to case by default.
    return folder.entryList();
}

QString CNearFieldModelDlg::AmbientName(const QString& fileName) {
    if (fileName.endsWith(QLatin1String(".ahp"), Qt::CaseInsensitive))
        return fileName.left(fileName.size() - 4);
    return fileName;
}

int CNearFieldModelDlg::DaysInMonth(int year, int month) {
    switch (month) {
        case 4:
        case 6:
        case 9:
        case 11:
            return 30;
        case 2:
            return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0 ? 29 : 28;
        default:
            return month >= 1 && month <= 12 ? 31 : 0;
    }
}

bool CNearFieldModelDlg::OnInitDialog() {
    const NearFieldSetup& s = m_model->Setup();
    m_waterTemp = s.water_temperature;
    m_ambientStart = s.ambient_start_time;
    m_plumeTracking = s.plume_tracking;
    m_plumeStep = std::abs(s.plume_step);
    m_plumeOutput = s.plume_output;
    m_smoothing = s.snapshot_count;
    m_snapshotInterval = s.snapshot_interval;
    m_hydrate = s.option_hydrate ? 1 : 0;
    m_oceanDif = s.option_oceandif ? 1 : 0;
    m_ulv5 = s.option_Ulv5 ? 1 : 0;
    if (s.start_year != 0) {
        m_year = s.start_year;
        m_month = s.start_month;
        m_day = s.start_day;
        m_hour = s.start_hour;
        m_minute = s.start_minute;
    }
    m_ambient->clear();
    const QStringList files = AmbientFiles(m_ambientDir);
    m_ambient->addItems(files);
    int selected = -1;
    for (int i = 0; i < files.size(); ++i)
        if (!s.ambient.isEmpty() &&
            files[i].compare(s.ambient + QStringLiteral(".AHP"), Qt::CaseInsensitive) == 0)
            selected = i;
    m_ambient->setCurrentIndex(selected);
    CDialog::OnInitDialog();
    EnableDate();
    return true;
}

void CNearFieldModelDlg::DoDataExchange(CDataExchange* pDX) {
    const UnitField table[] = {{"TEMP", IDC_WATER_TEMP, IDC_WATER_TEMP_UNIT, &m_waterTemp},
                               {nullptr, 0, 0, nullptr}};
    UnitExchangeBegin(pDX, table);
    DDX_Text(pDX, IDC_WATER_TEMP, m_waterTemp);
    DDX_Text(pDX, IDC_AMBIENT_START, m_ambientStart);
    DDX_Text(pDX, IDC_PLUME_TRACKING, m_plumeTracking);
    DDX_Text(pDX, IDC_PLUME_STEP, m_plumeStep);
    DDX_Text(pDX, IDC_PLUME_OUTPUT, m_plumeOutput);
    DDX_Text(pDX, IDC_SMOOTHING, m_smoothing);
    DDV_MinMaxInt(pDX, m_smoothing, 0, 1000);
    DDX_Text(pDX, IDC_SNAPSHOT_INTERVAL, m_snapshotInterval);
    DDX_Check(pDX, IDC_OPTION_HYDRATE, m_hydrate);
    DDX_Check(pDX, IDC_OPTION_OCEANDIF, m_oceanDif);
    DDX_Check(pDX, IDC_OPTION_ULV5, m_ulv5);
    if (m_ulv5) {
        DDX_Text(pDX, IDC_YEAR, m_year);
        DDV_MinMaxInt(pDX, m_year, 1970, 2038);
        DDX_Text(pDX, IDC_MONTH, m_month);
        DDV_MinMaxInt(pDX, m_month, 1, 12);
        DDX_Text(pDX, IDC_DAY, m_day);
        DDV_MinMaxInt(pDX, m_day, 1, DaysInMonth(m_year, m_month));
        DDX_Text(pDX, IDC_HOUR, m_hour);
        DDV_MinMaxInt(pDX, m_hour, 0, 23);
        DDX_Text(pDX, IDC_MINUTE, m_minute);
        DDV_MinMaxInt(pDX, m_minute, 0, 59);
    } else if (!pDX->m_bSaveAndValidate) {
        for (int id : kDateIds) AfxSetControlText(GetDlgItem(id), QString());
    }
    UnitExchangeEnd(pDX, table);
    if (!pDX->m_bSaveAndValidate) return;
    // The same ranges and messages as the check before a near-field run.
    const struct {
        int id;
        const NearFieldSettingRange& range;
        double value;
    } checks[] = {
        {IDC_WATER_TEMP, NEARFIELD_WATER_TEMPERATURE, m_waterTemp},
        {IDC_AMBIENT_START, NEARFIELD_AMBIENT_START, m_ambientStart},
        {IDC_PLUME_TRACKING, NEARFIELD_PLUME_TRACKING, m_plumeTracking},
        {IDC_PLUME_STEP, NEARFIELD_PLUME_STEP, m_plumeStep},
        {IDC_PLUME_OUTPUT, NEARFIELD_PLUME_OUTPUT, m_plumeOutput},
        {IDC_SNAPSHOT_INTERVAL, NEARFIELD_SNAPSHOT_INTERVAL, m_snapshotInterval},
    };
    for (const auto& c : checks) {
        const ValidationError e = CheckNearFieldSetting(c.range, c.value);
        if (e.id == 0) continue;
        pDX->PrepareCtrl(c.id);
        AfxMessageBox(ValidationMessage(e, [](unsigned id) { return AfxLoadString(int(id)); }),
                      MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

void CNearFieldModelDlg::EnableDate() {
    const bool on = Item<QCheckBox>(IDC_OPTION_ULV5)->isChecked();
    for (int id : kDateIds) GetDlgItem(id)->setEnabled(on);
    // Dates left empty while the option was off start from the dialog's own.
    if (on && AfxGetControlText(GetDlgItem(IDC_YEAR)).isEmpty()) {
        const int values[] = {m_year, m_month, m_day, m_hour, m_minute};
        for (int i = 0; i < 5; ++i)
            AfxSetControlText(GetDlgItem(kDateIds[i]), QString::number(values[i]));
    }
}

void CNearFieldModelDlg::OnOK() {
    const QString ambient = AmbientName(m_ambient->currentText());
    if (!UpdateData(true)) return;
    NearFieldSetup& s = m_model->Setup();
    const NearFieldSetup before = s;
    // A number left as shown keeps its bits: the field shows 6 digits.
    auto take = [this](int id, auto value, auto& field) {
        if (IsTextChanged(id)) field = value;
    };
    if (ambient.compare(s.ambient, Qt::CaseInsensitive) != 0) s.ambient = ambient;
    take(IDC_AMBIENT_START, m_ambientStart, s.ambient_start_time);
    take(IDC_PLUME_TRACKING, m_plumeTracking, s.plume_tracking);
    if (IsTextChanged(IDC_PLUME_STEP)) s.plume_step = m_plumeStep;
    take(IDC_PLUME_OUTPUT, m_plumeOutput, s.plume_output);
    s.snapshot_count = m_smoothing;
    take(IDC_SNAPSHOT_INTERVAL, m_snapshotInterval, s.snapshot_interval);
    s.option_hydrate = m_hydrate != 0;
    s.option_oceandif = m_oceanDif != 0;
    take(IDC_WATER_TEMP, m_waterTemp, s.water_temperature);
    s.option_Ulv5 = m_ulv5 != 0;
    if (s.option_Ulv5) {
        s.start_year = uint16_t(m_year);
        s.start_month = uint8_t(m_month);
        s.start_day = uint8_t(m_day);
        s.start_hour = uint8_t(m_hour);
        s.start_minute = uint8_t(m_minute);
    }
    m_changed = !m_model->IsConfirmed() || !SameSetup(before, s);
    m_model->SetConfirmed(true);
    EndDialog(IDOK);
}

bool CNearFieldModelDlg::SameSetup(const NearFieldSetup& a, const NearFieldSetup& b) {
    return a.ambient == b.ambient && a.ambient_start_time == b.ambient_start_time &&
           a.plume_tracking == b.plume_tracking && a.plume_step == b.plume_step &&
           a.plume_output == b.plume_output && a.snapshot_count == b.snapshot_count &&
           a.snapshot_interval == b.snapshot_interval && a.option_hydrate == b.option_hydrate &&
           a.option_oceandif == b.option_oceandif && a.water_temperature == b.water_temperature &&
           a.option_Ulv5 == b.option_Ulv5 && a.start_year == b.start_year &&
           a.start_month == b.start_month && a.start_day == b.start_day &&
           a.start_hour == b.start_hour && a.start_minute == b.start_minute;
}
