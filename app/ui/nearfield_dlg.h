#pragma once
// "Nearfield Model Parameters": the near-field settings of a scenario, the
// ambient profile chosen from the ambient data folder, and the start date of
// the air emission (Ulv/5) output.
#include <QStringList>

#include "dialog.h"

class CNearFieldModel;
struct NearFieldSetup;
class QComboBox;

class CNearFieldModelDlg : public CDialog {
    Q_OBJECT
public:
    enum {
        IDD = 633,
        IDC_WATER_TEMP = 45505,
        IDC_WATER_TEMP_UNIT = 45506,
        IDC_AMBIENT = 45569,
        IDC_AMBIENT_START = 45570,
        IDC_PLUME_TRACKING = 45571,
        IDC_PLUME_STEP = 45572,
        IDC_PLUME_OUTPUT = 45573,
        IDC_SMOOTHING = 45574,
        IDC_SNAPSHOT_INTERVAL = 45575,
        IDC_OPTION_HYDRATE = 45576,
        IDC_OPTION_OCEANDIF = 45577,
        IDC_OPTION_ULV5 = 45606,
        IDC_YEAR = 45601,
        IDC_MONTH = 45579,
        IDC_DAY = 45603,
        IDC_HOUR = 45581,
        IDC_MINUTE = 45605,
        IDC_SETTINGS_USED = 45607,
    };

    // ambientDir: the folder whose "*.AHP" files the combo box lists.
    CNearFieldModelDlg(CNearFieldModel* model, const QString& ambientDir,
                       QWidget* parent = nullptr);
    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;

    // The "*.AHP" files of a folder (any case), sorted.
    static QStringList AmbientFiles(const QString& dir);
    // A file name less a trailing ".ahp" in any case.
    static QString AmbientName(const QString& fileName);
    // Days of the month (1..12) in the year; 0 for another month.
    static int DaysInMonth(int year, int month);
    // After OK: a setting differs from what the dialog showed, or the
    // settings were confirmed only now.
    bool Changed() const { return m_changed; }
    static bool SameSetup(const NearFieldSetup& a, const NearFieldSetup& b);

    float m_waterTemp = 10.0f;
    double m_ambientStart = 0, m_plumeTracking = 0, m_plumeStep = 0, m_plumeOutput = 0,
           m_snapshotInterval = 0;
    int m_smoothing = 0;
    int m_hydrate = 0, m_oceanDif = 0, m_ulv5 = 0;
    int m_year = 0, m_month = 0, m_day = 0, m_hour = 0, m_minute = 0;

private:
    void EnableDate();

    CNearFieldModel* m_model;
    bool m_changed = false;
    QString m_ambientDir;
    QComboBox* m_ambient;
};
