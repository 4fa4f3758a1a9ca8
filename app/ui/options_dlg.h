#pragma once
#include "dialog.h"

class CSystemSettings;

// "Options": font sizes, display units and the behaviour switches.
class CSystemSettingsDlg : public CDialog {
    Q_OBJECT
public:
    enum {
        IDC_SIZE_OBJECT_LABEL = 45524,
        IDC_SIZE_TEXT = 45525,
        IDC_UNITS_METRIC = 45522,
        IDC_UNITS_ENGLISH = 45523,
        IDC_TOOL_RESET = 45526,
        IDC_AUTO_RESULT_OPEN = 45538,
        IDC_BACKUP = 45536,
        IDC_DIAGNOSTIC = 45535,
    };

    explicit CSystemSettingsDlg(QWidget* parent = nullptr);

    // Copies the settings in; the unit choice only when it is Metric or English.
    void ReadFrom(const CSystemSettings& settings);
    // Stores every value through the setters (written at once with persist);
    // the display units only when one of the two is chosen.
    void WriteTo(CSystemSettings& settings) const;

    void DoDataExchange(CDataExchange* pDX) override;

    int m_nSizeObjectLabel = 0;
    int m_nSizeText = 0;
    int m_nDisplayUnits = -1;
    int m_bToolReset = 0;
    int m_bAutoResultOpen = 0;
    int m_bBackup = 0;
    int m_bDiagnostic = 0;
};
