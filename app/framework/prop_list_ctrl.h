#pragma once
#include <QTableWidget>
#include <map>
#include <memory>

class CPropListCtrl;
class QLineEdit;

// Checks (and may rewrite) the text typed into a cell of one column.
class FEditableListValidateCallback {
public:
    virtual ~FEditableListValidateCallback() = default;
    virtual bool Validate(QString& text) = 0;
};

// Told after a cell of one column took a new text.
class FEditableListCtrlCallback {
public:
    virtual ~FEditableListCtrlCallback() = default;
    virtual void Changed(CPropListCtrl* list, int row, int column) = 0;
};

// A number of at least 0, rewritten with a printf format; empty is allowed.
class FNumericValidater : public FEditableListValidateCallback {
public:
    explicit FNumericValidater(const char* format) : m_format(format) {}
    bool Validate(QString& text) override;

private:
    QByteArray m_format;
};

// A report-style list whose cells are edited in place by an edit box moved
// over the cell (control id 45587). Tab and Shift+Tab walk the editable
// cells row by row, Up and Down change the row, Enter ends the edit, Esc
// drops it and F2 starts it on the selected row.
class CPropListCtrl : public QTableWidget {
    Q_OBJECT
public:
    enum { IDC_INPLACE_EDIT = 45587 };

    explicit CPropListCtrl(QWidget* parent = nullptr);
    ~CPropListCtrl() override;

    // List helpers in the manner of a report list.
    int InsertColumn(int column, const QString& heading, Qt::Alignment align = Qt::AlignLeft,
                     int width = -1);
    int InsertItem(int row, const QString& text);
    void SetItemText(int row, int column, const QString& text);
    QString GetItemText(int row, int column) const;
    int GetItemCount() const { return rowCount(); }
    void SetItemData(int row, qintptr data);
    qintptr GetItemData(int row) const;

    void SetValidator(int column, FEditableListValidateCallback* validator);
    void SetChangedCallback(int column, FEditableListCtrlCallback* callback);
    void SetFirstEditableColumn(int column) { m_nFirstEditableColumn = column; }
    int GetFirstEditableColumn() const { return m_nFirstEditableColumn; }
    void SetLastEditableColumn(int row, int column) { m_lastEditable[row] = column; }
    int GetLastEditableColumn(int row) const;

    int GetCurrentRow() const { return m_nCurrentRow; }
    int GetCurrentColumn() const { return m_nCurrentColumn; }
    QLineEdit* GetEdit() const { return m_pEdit; }
    bool IsEditing() const;

    // Stores the edit's text in the cell when the column's validator takes
    // it; a refused text stays in the edit, selected. True when nothing is
    // pending any more.
    bool CommitEdit();
    bool EndEdit();
    bool EndEditForColumns(int from, int to);
    void StartEdit(int row, int column);
    void SelectRow(int row);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void HideEdit();
    void StartCurrentEdit();
    // Tab, Shift+Tab, Enter, Esc, Up and Down typed into the edit box.
    void OnEditKey(QKeyEvent* event);

    int m_nFirstEditableColumn = 1;
    int m_nCurrentRow = 0;
    int m_nCurrentColumn = -1;
    QLineEdit* m_pEdit = nullptr;
    std::map<int, std::unique_ptr<FEditableListValidateCallback>> m_validators;
    std::map<int, std::unique_ptr<FEditableListCtrlCallback>> m_callbacks;
    std::map<int, int> m_lastEditable;
};
