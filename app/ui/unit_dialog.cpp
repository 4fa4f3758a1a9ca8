#include "unit_dialog.h"

#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>

#include <cfloat>

#include "command_ids.h"
#include "dialog.h"
#include "field_bounds.h"
#include "message_box.h"
#include "message_ids.h"
#include "string_table.h"
#include "units.h"

QLineEdit* AddUnitRow(CDialog* dlg, QGridLayout* grid, int row, const QString& caption, int editId,
                      int labelId, const QString& placeholderUnit) {
    auto* edit = new QLineEdit(dlg);
    edit->setObjectName(QString::number(editId));
    edit->setAlignment(Qt::AlignRight);
    auto* label = new QLabel(caption, dlg);
    label->setBuddy(edit);
    grid->addWidget(label, row, 0);
    grid->addWidget(edit, row, 1);
    auto* unit = new QLabel(placeholderUnit, dlg);
    unit->setMinimumWidth(60);
    if (labelId) unit->setObjectName(QString::number(labelId));
    grid->addWidget(unit, row, 2);
    return edit;
}

void SetUnitLabels(CDialog* dlg, const UnitField* table) {
    DDX_UnitLabels(table, [dlg](int id, const QString& text) {
        if (QWidget* label = dlg->GetDlgItem(id)) AfxSetControlText(label, text);
    });
}

void ConvertFromDisplay(CDialog* dlg, const UnitField* table) {
    DDX_FromDisplayUnits(table, [dlg](int id, const QString& text) {
        if (QWidget* label = dlg->GetDlgItem(id)) AfxSetControlText(label, text);
    });
}

void UnitExchangeBegin(CDataExchange* pDX, const UnitField* table) {
    if (pDX->m_bSaveAndValidate) return;
    DDX_ToDisplayUnits(table);
    SetUnitLabels(pDX->m_pDlgWnd, table);
}

void UnitExchangeEnd(CDataExchange* pDX, const UnitField* table) {
    if (pDX->m_bSaveAndValidate) ConvertFromDisplay(pDX->m_pDlgWnd, table);
}

void HoldValues(CDialog* dlg, const UnitField* table) {
    for (const UnitField* f = table; f && f->key; ++f) dlg->HoldValue(f->edit_id, *f->member);
}

void BoundedExchangeBegin(CDataExchange* pDX, const UnitField* table) {
    if (!pDX->m_bSaveAndValidate) HoldValues(pDX->m_pDlgWnd, table);
    UnitExchangeBegin(pDX, table);
}

void BoundedExchangeEnd(CDataExchange* pDX, const UnitField* table) {
    if (!pDX->m_bSaveAndValidate) return;
    CDialog* dlg = pDX->m_pDlgWnd;
    for (const UnitField* f = table; f && f->key; ++f) {
        if (!dlg->IsTextChanged(f->edit_id)) continue;
        const double value = FromDisplayUnits(f->key, *f->member);
        // A value shown, not entered (the leak's back pressure follows its
        // depth), keeps only the bounds of its quantity.
        const auto* edit = qobject_cast<const QLineEdit*>(dlg->GetDlgItem(f->edit_id));
        const bool entered = !edit || !edit->isReadOnly();
        if (entered ? !IsWithinRange(f->key, value) : !IsAcceptableValue(f->key, value)) {
            pDX->PrepareCtrl(f->edit_id);
            // Outside its range the field names the range, as the user reads it.
            const ValueRange range = RangeOfQuantity(f->key);
            const QString high = AfxFormatReal(ToDisplayUnits(f->key, float(range.high)), 6);
            if (!(value >= range.low && value <= range.high)) {
                // A bound of 0 excluded reads as such, not as the smallest float.
                const bool aboveZero = range.low > 0.0 && range.low <= FLT_MIN;
                AfxMessageBox(
                    aboveZero
                        ? AfxFormatString1(IDS_PARSE_REAL_ABOVE_ZERO, high)
                        : AfxFormatString2(
                              AFX_IDP_PARSE_REAL_RANGE,
                              AfxFormatReal(ToDisplayUnits(f->key, float(range.low)), 6), high),
                    MB_ICONEXCLAMATION);
            } else
                AfxMessageBox(AFX_IDP_PARSE_REAL, MB_ICONEXCLAMATION);
            pDX->Fail();
        }
    }
    ConvertFromDisplay(dlg, table);
    for (const UnitField* f = table; f && f->key; ++f)
        if (!dlg->IsTextChanged(f->edit_id)) *f->member = dlg->HeldValue(f->edit_id);
}
