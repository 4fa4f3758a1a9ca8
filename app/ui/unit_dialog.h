#pragma once
// Pieces shared by the dialogs whose fields are shown in display units.
#include <QString>

struct UnitField;
class CDataExchange;
class CDialog;
class QGridLayout;
class QLineEdit;

// A row of caption, right-aligned edit (editId) and unit label (labelId,
// none when 0) showing placeholderUnit until the unit labels replace it.
QLineEdit* AddUnitRow(CDialog* dlg, QGridLayout* grid, int row, const QString& caption, int editId, int labelId,
                      const QString& placeholderUnit = QString());

// Filling: the members go to display units and the labels show the display
// units. Called before the text exchange.
void UnitExchangeBegin(CDataExchange* pDX, const UnitField* table);
// Saving: the members go back to internal units. Called after the text
// exchange, so only once every field was taken.
void UnitExchangeEnd(CDataExchange* pDX, const UnitField* table);
// The unit labels of a table, set on the dialog's label controls.
void SetUnitLabels(CDialog* dlg, const UnitField* table);
void ConvertFromDisplay(CDialog* dlg, const UnitField* table);
