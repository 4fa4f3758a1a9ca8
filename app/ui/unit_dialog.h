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
QLineEdit* AddUnitRow(CDialog* dlg, QGridLayout* grid, int row, const QString& caption, int editId,
                      int labelId, const QString& placeholderUnit = QString());

// Filling: the members go to display units and the labels show the display
// units. Called before the text exchange.
void UnitExchangeBegin(CDataExchange* pDX, const UnitField* table);
// Saving: the members go back to internal units. Called after the text
// exchange, so only once every field was taken.
void UnitExchangeEnd(CDataExchange* pDX, const UnitField* table);
// The network object dialogs' exchange. Filling: as UnitExchangeBegin, and
// each member's internal value is held by the dialog first. Saving: a field
// whose text the user did not change gets its held value back bit for bit;
// a changed one is converted back and must be acceptable for its quantity
// (field_bounds.h), else the exchange fails there with "Enter a number
// between %1 and %2." (the quantity's range in display units), or "Enter a
// number." for a value inside it that no float holds.
void BoundedExchangeBegin(CDataExchange* pDX, const UnitField* table);
void BoundedExchangeEnd(CDataExchange* pDX, const UnitField* table);
// Holds the members' internal values (filling without an exchange).
void HoldValues(CDialog* dlg, const UnitField* table);

// The unit labels of a table, set on the dialog's label controls.
void SetUnitLabels(CDialog* dlg, const UnitField* table);
void ConvertFromDisplay(CDialog* dlg, const UnitField* table);
