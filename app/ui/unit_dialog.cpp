#include "unit_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include "dialog.h"
#include "units.h"

QLineEdit* AddUnitRow(CDialog* dlg, QGridLayout* grid, int row, const QString& caption, int editId, int labelId,
                      const QString& placeholderUnit)
{
    auto* edit = new QLineEdit(dlg);
    edit->setObjectName(QString::number(editId));
    edit->setAlignment(Qt::AlignRight);
    auto* label = new QLabel(caption, dlg);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    auto* unit = new QLabel(placeholderUnit, dlg);
    unit->setMinimumWidth(60);
    if (labelId)
        unit->setObjectName(QString::number(labelId));
    grid->addWidget(unit, row, 2);
    return edit;
}

void SetUnitLabels(CDialog* dlg, const UnitField* table)
{
    DDX_UnitLabels(table, [dlg](int id, const QString& text) {
        if (QWidget* label = dlg->GetDlgItem(id))
            AfxSetControlText(label, text);
    });
}

void ConvertFromDisplay(CDialog* dlg, const UnitField* table)
{
    DDX_FromDisplayUnits(table, [dlg](int id, const QString& text) {
        if (QWidget* label = dlg->GetDlgItem(id))
            AfxSetControlText(label, text);
    });
}

void UnitExchangeBegin(CDataExchange* pDX, const UnitField* table)
{
    if (pDX->m_bSaveAndValidate)
        return;
    DDX_ToDisplayUnits(table);
    SetUnitLabels(pDX->m_pDlgWnd, table);
}

void UnitExchangeEnd(CDataExchange* pDX, const UnitField* table)
{
    if (pDX->m_bSaveAndValidate)
        ConvertFromDisplay(pDX->m_pDlgWnd, table);
}
