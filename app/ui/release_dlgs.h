#pragma once
#include <release/release.h>

#include "dialog.h"

class CReleaseModel;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;

// "Discharge Model Parameters": an optional end time of the discharge run
// (in seconds, minutes, hours or days) and the temperature switch.
class CReleaseModelDlg : public CDialog {
    Q_OBJECT
public:
    enum {
        IDD = 632,
        IDC_SET_END_TIME = 45578,
        IDC_END_TIME = 45602,
        IDC_END_TIME_UNIT = 45580,
        IDC_DISABLE_TEMP = 45604,
    };

    CReleaseModelDlg(CReleaseModel* model, QWidget* parent = nullptr);
    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;

    float m_endTime = 0;  // in the unit of the list
    int m_setEndTime = 0;
    int m_disableTemp = 0;
    // After OK: a setting differs from what the dialog showed.
    bool Changed() const { return m_changed; }

private:
    void EnableEndTime();

    bool m_changed = false;

    CReleaseModel* m_model;
    QComboBox* m_unit;
};

// "Discharge Summary": the 11 numbers of the last discharge run in display
// units, the release time also in hours and days, the warning text, and a
// note when the result no longer matches the network.
class CReleaseResultDlg : public CDialog {
    Q_OBJECT
public:
    enum {
        IDD = 633,
        IDC_OUTDATED = 45563,
        IDC_WARNINGS = 45566,
    };
    // Fields of the time in hours and days (no ids of their own).
    static constexpr const char* HOURS_FIELD = "hours";
    static constexpr const char* DAYS_FIELD = "days";

    CReleaseResultDlg(const DischargeSummary& summary, bool outdated, const QString& warning,
                      QWidget* parent = nullptr);
    bool OnInitDialog() override;

    // The time in hours rounded to 0.01 and in days rounded to 0.001.
    static double Hours(float seconds);
    static double Days(float seconds);

private:
    DischargeSummary m_summary;
    bool m_outdated;
    QString m_warning;
};
