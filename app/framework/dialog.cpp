#include "dialog.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <cmath>

#include "cmd_target.h"
#include "command_ids.h"
#include "message_box.h"
#include "string_table.h"

// -------------------------------------------------------- CDataExchange

QWidget* CDataExchange::PrepareCtrl(int id) {
    m_pLastControl = m_pDlgWnd->GetDlgItem(id);
    if (!m_pLastControl)
        AfxUnknownId("control", id,
                     qPrintable(QStringLiteral("dialog %1").arg(m_pDlgWnd->GetTemplateId())));
    return m_pLastControl;
}

void CDataExchange::Fail() {
    if (m_pLastControl) {
        m_pLastControl->setFocus();
        if (auto* edit = qobject_cast<QLineEdit*>(m_pLastControl))
            edit->selectAll();
        else if (auto* combo = qobject_cast<QComboBox*>(m_pLastControl); combo && combo->lineEdit())
            combo->lineEdit()->selectAll();
    }
    throw CUserException();
}

QString AfxGetControlText(const QWidget* control) {
    if (auto* edit = qobject_cast<const QLineEdit*>(control)) return edit->text();
    if (auto* combo = qobject_cast<const QComboBox*>(control)) return combo->currentText();
    if (auto* label = qobject_cast<const QLabel*>(control)) return label->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(control)) return button->text();
    if (auto* text = qobject_cast<const QPlainTextEdit*>(control)) return text->toPlainText();
    return {};
}

void AfxSetControlText(QWidget* control, const QString& text) {
    if (auto* edit = qobject_cast<QLineEdit*>(control))
        edit->setText(text);
    else if (auto* combo = qobject_cast<QComboBox*>(control))
        combo->setCurrentText(text);
    else if (auto* label = qobject_cast<QLabel*>(control))
        label->setText(text);
    else if (auto* button = qobject_cast<QAbstractButton*>(control))
        button->setText(text);
    else if (auto* area = qobject_cast<QPlainTextEdit*>(control))
        area->setPlainText(text);
}

bool AfxParseReal(const QString& text, double& value) {
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    const double v = c.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(v)) return false;
    value = v;
    return true;
}

double AfxLeadingReal(const QString& text) {
    static const QRegularExpression number(
        QStringLiteral(R"(^\s*[-+]?(\d+\.?\d*|\.\d+)([eE][-+]?\d+)?)"));
    const QRegularExpressionMatch m = number.match(text);
    return m.hasMatch() ? QLocale::c().toDouble(m.captured(0).trimmed()) : 0.0;
}

QString AfxFormatReal(double value, int digits) { return QString::asprintf("%.*g", digits, value); }

namespace {

// The text of the control; an empty string (after the unknown-id failure)
// when the dialog lacks it.
QString exchangeText(CDataExchange* pDX, int id, const QString& shown) {
    QWidget* control = pDX->PrepareCtrl(id);
    if (!control) return {};
    if (!pDX->m_bSaveAndValidate) {
        AfxSetControlText(control, shown);
        pDX->m_pDlgWnd->NoteShownText(id, AfxGetControlText(control));
    }
    return AfxGetControlText(control);
}

void exchangeReal(CDataExchange* pDX, int id, double& value, int digits) {
    const QString text = exchangeText(pDX, id, AfxFormatReal(value, digits));
    if (!pDX->m_bSaveAndValidate || !pDX->m_pDlgWnd->GetDlgItem(id)) return;
    double parsed = 0;
    if (!AfxParseReal(text, parsed)) {
        AfxMessageBox(AFX_IDP_PARSE_REAL, MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = parsed;
}

}  // namespace

void DDX_Text(CDataExchange* pDX, int id, QString& value) {
    const QString text = exchangeText(pDX, id, value);
    if (pDX->m_bSaveAndValidate && pDX->m_pDlgWnd->GetDlgItem(id)) value = text;
}

void DDX_Text(CDataExchange* pDX, int id, float& value) {
    double v = value;
    exchangeReal(pDX, id, v, 6);
    if (pDX->m_bSaveAndValidate && std::isfinite(v) && !std::isfinite(static_cast<float>(v)) &&
        pDX->m_pDlgWnd->IsHeld(id)) {
        // A number too large for a float in a field with a range: the range
        // check that follows names the range.
        value = static_cast<float>(v);
        return;
    }
    if (pDX->m_bSaveAndValidate && !std::isfinite(static_cast<float>(v))) {
        // 1e39 is a number, but not one a float member can hold.
        AfxMessageBox(AFX_IDP_PARSE_REAL, MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = static_cast<float>(v);
}

void DDX_Text(CDataExchange* pDX, int id, double& value) { exchangeReal(pDX, id, value, 15); }

void DDX_Text(CDataExchange* pDX, int id, int& value) {
    const QString text = exchangeText(pDX, id, QString::number(value));
    if (!pDX->m_bSaveAndValidate || !pDX->m_pDlgWnd->GetDlgItem(id)) return;
    bool ok = false;
    const int parsed = QLocale::c().toInt(text.trimmed(), &ok);
    if (!ok) {
        AfxMessageBox(AFX_IDP_PARSE_INT, MB_ICONEXCLAMATION);
        pDX->Fail();
    }
    value = parsed;
}

void DDV_MaxChars(CDataExchange* pDX, const QString& value, int maxChars) {
    if (pDX->m_bSaveAndValidate && value.size() > maxChars) {
        AfxMessageBox(AfxFormatString1(AFX_IDP_PARSE_STRING_SIZE, QString::number(maxChars)),
                      MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

void DDX_Check(CDataExchange* pDX, int id, int& value) {
    auto* button = qobject_cast<QAbstractButton*>(pDX->PrepareCtrl(id));
    if (!button) return;
    if (pDX->m_bSaveAndValidate)
        value = button->isChecked() ? 1 : 0;
    else
        button->setChecked(value != 0);
}

void DDX_Radio(CDataExchange* pDX, std::initializer_list<int> ids, int& value) {
    int index = 0;
    int checked = -1;
    for (int id : ids) {
        auto* button = qobject_cast<QAbstractButton*>(pDX->PrepareCtrl(id));
        if (button) {
            if (pDX->m_bSaveAndValidate) {
                if (button->isChecked() && checked < 0) checked = index;
            } else {
                button->setAutoExclusive(false);  // lets the group show "none"
                button->setChecked(index == value);
                button->setAutoExclusive(true);
            }
        }
        ++index;
    }
    if (pDX->m_bSaveAndValidate) value = checked;
}

void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue) {
    if (pDX->m_bSaveAndValidate && (value < minValue || value > maxValue)) {
        AfxMessageBox(AfxFormatString2(AFX_IDP_PARSE_INT_RANGE, QString::number(minValue),
                                       QString::number(maxValue)),
                      MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

void DDV_MinMaxFloat(CDataExchange* pDX, float value, float minValue, float maxValue) {
    if (pDX->m_bSaveAndValidate && (value < minValue || value > maxValue || value != value)) {
        AfxMessageBox(AfxFormatString2(AFX_IDP_PARSE_REAL_RANGE, AfxFormatReal(minValue, 6),
                                       AfxFormatReal(maxValue, 6)),
                      MB_ICONEXCLAMATION);
        pDX->Fail();
    }
}

namespace {
class DigitsOnlyFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() != QEvent::KeyPress) return false;
        const QString text = static_cast<QKeyEvent*>(event)->text();
        for (QChar c : text)
            if (c.isPrint() && (c < QLatin1Char('0') || c > QLatin1Char('9'))) return true;
        return false;
    }
};
}  // namespace

void AfxAcceptDigitsOnly(QLineEdit* edit) { edit->installEventFilter(new DigitsOnlyFilter(edit)); }

// -------------------------------------------------------------- CDialog

namespace {
CDialog::ModalHook& modalHook() {
    static CDialog::ModalHook hook;
    return hook;
}
}  // namespace

CDialog::CDialog(int templateId, QWidget* parent) : QDialog(parent), m_nTemplateId(templateId) {
    setObjectName(QString::number(templateId));
}

CDialog::ModalHook CDialog::SetModalHook(ModalHook hook) {
    ModalHook old = std::move(modalHook());
    modalHook() = std::move(hook);
    return old;
}

int CDialog::DoModal() {
    m_bEnded = false;
    m_nResult = 0;
    if (!OnInitDialog()) return IDCANCEL;
    if (modalHook()) {
        modalHook()(this);
        if (!m_bEnded) EndDialog(IDCANCEL);
        return m_nResult;
    }
    const int result = exec();
    return m_bEnded ? m_nResult : (result == IDOK ? IDOK : IDCANCEL);
}

bool CDialog::UpdateData(bool saveAndValidate) {
    CDataExchange dx(this, saveAndValidate);
    try {
        DoDataExchange(&dx);
    } catch (const CUserException&) {
        return false;
    }
    return true;
}

void CDialog::EndDialog(int result) {
    if (m_bEnded) return;  // the first ending holds (a late Cancel does not undo an OK)
    m_bEnded = true;
    m_nResult = result;
    done(result);
}

bool CDialog::IsTextChanged(int id) const {
    const auto it = m_shownText.constFind(id);
    QWidget* control = GetDlgItem(id);
    return it == m_shownText.constEnd() || !control || AfxGetControlText(control) != *it;
}

QWidget* CDialog::GetDlgItem(int id) const { return findChild<QWidget*>(QString::number(id)); }

bool CDialog::OnInitDialog() {
    UpdateData(false);
    return true;
}

void CDialog::OnOK() {
    if (UpdateData(true)) EndDialog(IDOK);
}

void CDialog::OnCancel() { EndDialog(IDCANCEL); }

QWidget* CDialog::MakeOkCancelRow(const QString& okText) {
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addStretch(1);
    auto* ok = Tag(new QPushButton(okText, row), IDOK);
    auto* cancel = Tag(new QPushButton(QStringLiteral("Cancel"), row), IDCANCEL);
    ok->setDefault(true);
    layout->addWidget(ok);
    layout->addWidget(cancel);
    connect(ok, &QPushButton::clicked, this, [this] { OnOK(); });
    connect(cancel, &QPushButton::clicked, this, [this] { OnCancel(); });
    return row;
}
