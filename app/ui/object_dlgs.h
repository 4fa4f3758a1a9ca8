#pragma once
// The property dialogs of the six network object types. Each holds the
// object's values as floats, in display units while it is open and in
// internal units after OK.
#include <QString>

#include "dialog.h"

struct UnitField;
class QGridLayout;

// Control ids shared by the dialogs.
enum {
    IDC_LABEL = 45500,
    IDC_DEPTH = 45501,
    IDC_DEPTH_UNIT = 45502,
    IDC_TEMP = 45505,
    IDC_TEMP_UNIT = 45506,
    IDC_CLOSINGTIME = 45507,
    IDC_CLOSINGTIME_UNIT = 45508,
    IDC_PRESSURE = 45509,
    IDC_PRESSURE_UNIT = 45510,
    IDC_DIAMETER = 45511,
    IDC_DIAMETER_UNIT = 45512,
    IDC_HEATTRANS = 45513,
    IDC_HEATTRANS_UNIT = 45514,
    IDC_DISTANCE = 45515,
    IDC_DISTANCE_UNIT = 45516,
    IDC_LENGTH_UNIT = 45517,
    IDC_DISTANCE_FROM = 45518,
    IDC_ENABLE_CLOSING = 45533,
    IDC_ROUGHNESS_UNIT = 45534,
    IDC_ROUGHNESS = 45537,
    IDC_LENGTH = 45567,
    IDC_FLOWRATE = 45597,
    IDC_FLOWRATE_UNIT = 45598,
};

// A closing time taken from a dialog: -1 (none) when v + 0.5 is below
// -0.00001, else the whole part of v + 0.5.
int ClosingTimeFromDialog(float v);

// Base of the dialogs with a unit table: exchange in display units, and for
// the types with a label the check that one was entered.
class CZefPropsDlg : public CDialog {
    Q_OBJECT
public:
    CZefPropsDlg(int templateId, const QString& caption, bool needsLabel, QWidget* parent);
    void OnOK() override;

    QString m_strLabel;

protected:
    QGridLayout* Grid() const { return m_pGrid; }
    void AddLabelRow();
    void Finish();

private:
    QGridLayout* m_pGrid;
    bool m_bNeedsLabel;
};

class CZefFlowInletPropsDlg : public CZefPropsDlg {
    Q_OBJECT
public:
    explicit CZefFlowInletPropsDlg(QWidget* parent = nullptr);
    // The rate is shown and entered as the runs of that fluid class read it
    // (a gas rate until told otherwise).
    void SetFluidClass(int fluidClass);
    void DoDataExchange(CDataExchange* pDX) override;
    float m_depth = 0, m_flowrate = 0, m_temp = 0, m_closingtime = 0;

private:
    const char* m_rateKey = "GASFLOWRATE";
};

class CZefFlowOutletPropsDlg : public CZefPropsDlg {
    Q_OBJECT
public:
    explicit CZefFlowOutletPropsDlg(QWidget* parent = nullptr);
    void DoDataExchange(CDataExchange* pDX) override;
    // The "Enable closing" box was clicked.
    void OnEnableClosing();
    float m_depth = 0, m_pressure = 0, m_closingtime = -1.0f;
};

class CZefJunctionPropsDlg : public CZefPropsDlg {
    Q_OBJECT
public:
    explicit CZefJunctionPropsDlg(QWidget* parent = nullptr);
    void DoDataExchange(CDataExchange* pDX) override;
    float m_depth = 0;
};

class CZefPipejoinPropsDlg : public CZefPropsDlg {
    Q_OBJECT
public:
    explicit CZefPipejoinPropsDlg(QWidget* parent = nullptr);
    void DoDataExchange(CDataExchange* pDX) override;
    float m_depth = 0;
};

class CZefPipelinePropsDlg : public CZefPropsDlg {
    Q_OBJECT
public:
    explicit CZefPipelinePropsDlg(QWidget* parent = nullptr);
    void DoDataExchange(CDataExchange* pDX) override;
    float m_length = 0, m_diameter = 0, m_roughness = 0, m_heatTransCoeff = 0, m_ambTemp = 0;
};

// The leakage point: its back pressure always follows the water depth.
class CZefSpillPointPropsDlg : public CDialog {
    Q_OBJECT
public:
    explicit CZefSpillPointPropsDlg(QWidget* parent = nullptr);
    bool OnInitDialog() override;
    void OnOK() override;
    void DoDataExchange(CDataExchange* pDX) override;
    // Shows the hydrostatic pressure at the depth typed so far.
    void UpdateBackPressure();
    float m_distance = 0, m_diameter = 0, m_depth = 0, m_backpressure = 0;

private:
    void Table(UnitField* table);
};

// Pressure at a water depth in metres: sea water of 1030 kg/m3 under one
// standard atmosphere, in Pa.
double HydrostaticPressure(double depth);
