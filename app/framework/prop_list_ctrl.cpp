#include "prop_list_ctrl.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>

#include "dialog.h"

bool FNumericValidater::Validate(QString& text) {
    text = text.trimmed();
    if (text.isEmpty()) return true;
    double value = 0;
    if (!AfxParseReal(text, value) || value < 0) return false;
    text = QString::asprintf(m_format.constData(), value);
    return true;
}

CPropListCtrl::CPropListCtrl(QWidget* parent) : QTableWidget(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    verticalHeader()->hide();
    horizontalHeader()->setHighlightSections(false);
}

CPropListCtrl::~CPropListCtrl() = default;

int CPropListCtrl::InsertColumn(int column, const QString& heading, Qt::Alignment align,
                                int width) {
    insertColumn(column);
    auto* header = new QTableWidgetItem(heading);
    header->setTextAlignment(align | Qt::AlignVCenter);
    setHorizontalHeaderItem(column, header);
    if (width >= 0) setColumnWidth(column, width);
    return column;
}

int CPropListCtrl::InsertItem(int row, const QString& text) {
    insertRow(row);
    SetItemText(row, 0, text);
    return row;
}

void CPropListCtrl::SetItemText(int row, int column, const QString& text) {
    QTableWidgetItem* cell = item(row, column);
    if (!cell) {
        cell = new QTableWidgetItem;
        if (QTableWidgetItem* header = horizontalHeaderItem(column))
            cell->setTextAlignment(Qt::Alignment(header->textAlignment()));
        setItem(row, column, cell);
    }
    cell->setText(text);
}

QString CPropListCtrl::GetItemText(int row, int column) const {
    const QTableWidgetItem* cell = item(row, column);
    return cell ? cell->text() : QString();
}

void CPropListCtrl::SetItemData(int row, qintptr value) {
    if (!item(row, 0)) SetItemText(row, 0, QString());
    item(row, 0)->setData(Qt::UserRole, QVariant::fromValue<qlonglong>(value));
}

qintptr CPropListCtrl::GetItemData(int row) const {
    const QTableWidgetItem* cell = item(row, 0);
    return cell ? static_cast<qintptr>(cell->data(Qt::UserRole).toLongLong()) : 0;
}

void CPropListCtrl::SetValidator(int column, FEditableListValidateCallback* validator) {
    if (validator)
        m_validators[column].reset(validator);
    else
        m_validators.erase(column);
}

void CPropListCtrl::SetChangedCallback(int column, FEditableListCtrlCallback* callback) {
    if (callback)
        m_callbacks[column].reset(callback);
    else
        m_callbacks.erase(column);
}

int CPropListCtrl::GetLastEditableColumn(int row) const {
    const auto it = m_lastEditable.find(row);
    if (it == m_lastEditable.end()) return columnCount() - 1;
    int column = it->second;
    while (column >= columnCount() && column > m_nFirstEditableColumn) --column;
    return column;
}

bool CPropListCtrl::IsEditing() const { return m_pEdit && !m_pEdit->isHidden(); }

bool CPropListCtrl::CommitEdit() {
    if (!IsEditing()) return true;
    QString text = m_pEdit->text().trimmed();
    if (const auto v = m_validators.find(m_nCurrentColumn);
        v != m_validators.end() && !v->second->Validate(text)) {
        m_pEdit->selectAll();
        m_pEdit->setFocus();
        return false;
    }
    SetItemText(m_nCurrentRow, m_nCurrentColumn, text);
    if (const auto c = m_callbacks.find(m_nCurrentColumn); c != m_callbacks.end())
        c->second->Changed(this, m_nCurrentRow, m_nCurrentColumn);
    return true;
}

bool CPropListCtrl::EndEdit() {
    if (!CommitEdit()) return false;
    HideEdit();
    SelectRow(m_nCurrentRow);
    return true;
}

bool CPropListCtrl::EndEditForColumns(int from, int to) {
    if (IsEditing() && (m_nCurrentColumn < from || (to >= 0 && to < m_nCurrentColumn)))
        return false;
    HideEdit();
    SelectRow(m_nCurrentRow);
    return true;
}

void CPropListCtrl::HideEdit() {
    if (m_pEdit) m_pEdit->hide();
}

void CPropListCtrl::SelectRow(int row) {
    if (row < 0 || row >= rowCount()) return;
    m_nCurrentRow = row;
    selectRow(row);
    scrollTo(model()->index(row, 0));
}

void CPropListCtrl::StartEdit(int row, int column) {
    m_nCurrentRow = row;
    m_nCurrentColumn = column;
    StartCurrentEdit();
}

void CPropListCtrl::StartCurrentEdit() {
    if (m_nCurrentRow < 0 || m_nCurrentRow >= rowCount() || m_nCurrentColumn < 0 ||
        m_nCurrentColumn >= columnCount())
        return;
    SelectRow(m_nCurrentRow);
    scrollTo(model()->index(m_nCurrentRow, m_nCurrentColumn));
    if (!m_pEdit) {
        m_pEdit = new QLineEdit(viewport());
        m_pEdit->setObjectName(QString::number(IDC_INPLACE_EDIT));
        m_pEdit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_pEdit->setFont(font());
        m_pEdit->installEventFilter(this);
    }
    QRect cell = visualRect(model()->index(m_nCurrentRow, m_nCurrentColumn));
    cell.adjust(2, -2, 0, 1);
    m_pEdit->setGeometry(cell);
    m_pEdit->setText(GetItemText(m_nCurrentRow, m_nCurrentColumn));
    m_pEdit->show();
    m_pEdit->selectAll();
    m_pEdit->setFocus();
}

void CPropListCtrl::mousePressEvent(QMouseEvent* event) {
    if (!CommitEdit()) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.column() >= m_nFirstEditableColumn) {
        m_nCurrentRow = index.row();
        m_nCurrentColumn = index.column();
        if (index.column() <= GetLastEditableColumn(index.row())) {
            StartCurrentEdit();
            return;
        }
    }
    HideEdit();
    if (index.isValid()) SelectRow(index.row());
}

void CPropListCtrl::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F2 && !IsEditing()) {
        const QModelIndexList rows = selectionModel()->selectedRows();
        StartEdit(rows.isEmpty() ? m_nCurrentRow : rows.front().row(), m_nFirstEditableColumn);
        return;
    }
    QTableWidget::keyPressEvent(event);
}

void CPropListCtrl::scrollContentsBy(int dx, int dy) {
    HideEdit();
    QTableWidget::scrollContentsBy(dx, dy);
}

bool CPropListCtrl::eventFilter(QObject* watched, QEvent* event) {
    // Tab and Shift+Tab would move the focus out of the list, and a dialog
    // would take Enter and Esc: the edit box claims these keys first.
    if (watched == m_pEdit &&
        (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        auto* key = static_cast<QKeyEvent*>(event);
        switch (key->key()) {
            case Qt::Key_Tab:
            case Qt::Key_Backtab:
            case Qt::Key_Return:
            case Qt::Key_Enter:
            case Qt::Key_Escape:
            case Qt::Key_Up:
            case Qt::Key_Down:
                if (event->type() == QEvent::ShortcutOverride) {
                    event->accept();
                    return true;
                }
                OnEditKey(key);
                return true;
            default:
                break;
        }
    }
    return QTableWidget::eventFilter(watched, event);
}

bool CPropListCtrl::focusNextPrevChild(bool next) {
    // While editing, Tab belongs to the edit box.
    return IsEditing() ? false : QTableWidget::focusNextPrevChild(next);
}

void CPropListCtrl::OnEditKey(QKeyEvent* event) {
    const int lastRow = rowCount() - 1;
    switch (event->key()) {
        case Qt::Key_Tab:
        case Qt::Key_Backtab: {
            if (!CommitEdit()) return;
            const bool back =
                event->key() == Qt::Key_Backtab || (event->modifiers() & Qt::ShiftModifier);
            if (!back) {
                if (m_nCurrentColumn + 1 <= GetLastEditableColumn(m_nCurrentRow)) {
                    ++m_nCurrentColumn;
                } else if (m_nCurrentRow < lastRow) {
                    ++m_nCurrentRow;
                    m_nCurrentColumn = m_nFirstEditableColumn;
                }
            } else if (m_nCurrentColumn - 1 >= m_nFirstEditableColumn) {
                --m_nCurrentColumn;
            } else if (m_nCurrentRow > 0) {
                --m_nCurrentRow;
                m_nCurrentColumn = GetLastEditableColumn(m_nCurrentRow);
            }
            StartCurrentEdit();
            return;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (EndEdit()) setFocus();
            return;
        case Qt::Key_Escape:
            HideEdit();
            SelectRow(m_nCurrentRow);
            setFocus();
            return;
        case Qt::Key_Up:
        case Qt::Key_Down: {
            if (!CommitEdit()) return;
            const int row = m_nCurrentRow + (event->key() == Qt::Key_Up ? -1 : 1);
            if (row >= 0 && row <= lastRow) {
                m_nCurrentRow = row;
                m_nCurrentColumn = std::min(m_nCurrentColumn, GetLastEditableColumn(row));
            }
            StartCurrentEdit();
            return;
        }
        default:
            return;
    }
}
