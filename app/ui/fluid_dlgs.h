#pragma once
#include <QStringList>
#include <vector>

#include "dialog.h"
#include "fluid_model.h"

class CPropListCtrl;
class QLineEdit;

// "Fluid Properties": the four black-oil numbers, the densities and the
// gas-oil ratio in display units, each refused outside what the black-oil
// tables take; says whether the runs use this description.
class CFluidPropsDlg : public CDialog {
    Q_OBJECT
public:
    enum {
        IDC_GAS_DENSITY = 45527,
        IDC_OIL_DENSITY = 45528,
        IDC_GOR = 45529,
        IDC_GAS_DENSITY_UNIT = 45530,
        IDC_OIL_DENSITY_UNIT = 45531,
        IDC_GOR_UNIT = 45532,
        IDC_WATER_CUT = 45596,
    };

    enum { IDC_FLUID_IN_USE = 45620, IDC_USE_FOR_RUNS = 45621 };

    // inUse: the runs use the black oil now; the dialog says so, and the
    // box that makes them use it is checked and fixed.
    explicit CFluidPropsDlg(bool inUse = true, QWidget* parent = nullptr);
    void DoDataExchange(CDataExchange* pDX) override;
    // After OK: the user checked the box (or the black oil was in use).
    bool UseForRuns() const;
    // After OK: a value's text was changed.
    bool IsEdited() const;

    float m_gasDensity = 0;
    float m_oilDensity = 0;
    float m_gasOilRatio = 0;
    float m_waterCut = 0;
};

// "Gas Properties": the component grid with mole fractions, mole weights
// and liquid densities, checked on OK.
class CGasPropsDlg : public CDialog {
    Q_OBJECT
public:
    enum {
        IDC_COMPONENTS = 45588,
        IDC_TOTAL = 45589,
        IDC_DEFAULTS = 45590,
        IDC_FLUID_IN_USE = 45622,
        IDC_USE_FOR_RUNS = 45623
    };

    // inUse: the runs use the composition now (see CFluidPropsDlg).
    CGasPropsDlg(const QString& cataloguePath, bool inUse = true, QWidget* parent = nullptr);
    // After OK: the user checked the box (or the composition was in use).
    bool UseForRuns() const;
    // After OK: a cell's text differs from the one shown at the start.
    bool IsEdited() const;

    // The working list: the catalogue, with the document's values copied over
    // matching entries and the document's other components appended.
    void MergeDocumentComponents(const std::vector<FluidComponent>& docComponents);
    const std::vector<FluidComponent>& Components() const { return m_components; }

    bool OnInitDialog() override;
    void OnOK() override;
    void OnDefaults();
    void RefreshTotal();
    CPropListCtrl* List() const { return m_pList; }

private:
    void FillRows();
    // Every cell's text, row by row.
    QStringList Cells() const;
    // The row checks of OK; false after an error message.
    bool CheckRows();

    QString m_cataloguePath;
    std::vector<FluidComponent> m_components;
    QStringList m_shownCells;
    CPropListCtrl* m_pList;
    QLineEdit* m_pTotal;
};
