#pragma once
#include <QDialog>
#include <QHash>
#include <QString>
#include <functional>
#include <initializer_list>

class CDialog;
class QLineEdit;

// Thrown by a failed exchange; caught by UpdateData.
struct CUserException {};

// One pass of dialog data exchange: filling the controls from the members
// (save false) or checking and storing the controls' values (save true).
class CDataExchange {
public:
    CDataExchange(CDialog* dlg, bool saveAndValidate)
        : m_bSaveAndValidate(saveAndValidate), m_pDlgWnd(dlg) {}
    // The control with that id; it becomes the one a failure points at.
    QWidget* PrepareCtrl(int id);
    // Puts the focus on the last prepared control, selects its text and
    // abandons the exchange.
    [[noreturn]] void Fail();

    bool m_bSaveAndValidate;
    CDialog* m_pDlgWnd;

private:
    QWidget* m_pLastControl = nullptr;
};

// Text of an edit, combo box, label, button or text area.
QString AfxGetControlText(const QWidget* control);
void AfxSetControlText(QWidget* control, const QString& text);

// Text exchange. Numbers are shown with "%.*g" (6 digits for float, 15 for
// double); a text that is not a whole number shows 61713 "Enter a number."
// (61712 for integers) and fails, and so does a float field whose number is
// beyond single precision.
void DDX_Text(CDataExchange* pDX, int id, QString& value);
void DDX_Text(CDataExchange* pDX, int id, float& value);
void DDX_Text(CDataExchange* pDX, int id, double& value);
void DDX_Text(CDataExchange* pDX, int id, int& value);
// When saving, a longer text shows 61716 "Enter no more than %1 characters."
// and fails.
void DDV_MaxChars(CDataExchange* pDX, const QString& value, int maxChars);
void DDX_Check(CDataExchange* pDX, int id, int& value);
// The index of the checked button of a group, -1 for none.
void DDX_Radio(CDataExchange* pDX, std::initializer_list<int> ids, int& value);
// Range checks after an exchange (61714 / 61715 when outside).
void DDV_MinMaxInt(CDataExchange* pDX, int value, int minValue, int maxValue);
void DDV_MinMaxFloat(CDataExchange* pDX, float value, float minValue, float maxValue);
// The locale-free reading of a number: white space around, nothing else.
bool AfxParseReal(const QString& text, double& value);
QString AfxFormatReal(double value, int digits);
// The number a text begins with (as the C library's atof reads it), 0 when
// it begins with none.
double AfxLeadingReal(const QString& text);

// Lets only digits be typed into the edit (text set by the program may hold
// anything).
void AfxAcceptDigitsOnly(QLineEdit* edit);

// A modal dialog with data exchange. Controls carry their control id as
// objectName; OK is "1", Cancel "2".
class CDialog : public QDialog {
    Q_OBJECT
public:
    explicit CDialog(int templateId, QWidget* parent = nullptr);

    int GetTemplateId() const { return m_nTemplateId; }
    // Shows the dialog; IDOK or IDCANCEL.
    virtual int DoModal();
    bool UpdateData(bool saveAndValidate = true);
    void EndDialog(int result);
    bool IsEnded() const { return m_bEnded; }

    QWidget* GetDlgItem(int id) const;

    // The text a control was given when the dialog was filled. A field whose
    // text is the same at OK was not edited, and its stored value is kept
    // as it was (no round trip through the shown digits).
    void NoteShownText(int id, const QString& text) { m_shownText.insert(id, text); }
    // True when the control's text differs from the one it was filled with
    // (or it was never filled).
    bool IsTextChanged(int id) const;
    // The member value a field held before it was converted for display.
    void HoldValue(int id, float value) { m_heldValue.insert(id, value); }
    float HeldValue(int id) const { return m_heldValue.value(id); }
    bool IsHeld(int id) const { return m_heldValue.contains(id); }
    template <class T>
    T* Item(int id) const {
        return findChild<T*>(QString::number(id));
    }

    // While set, DoModal hands the initialised dialog to the hook instead of
    // running its own event loop (scripted runs). A dialog the hook leaves
    // open counts as cancelled.
    using ModalHook = std::function<void(CDialog*)>;
    static ModalHook SetModalHook(ModalHook hook);

    virtual bool OnInitDialog();
    virtual void OnOK();
    virtual void OnCancel();
    virtual void DoDataExchange(CDataExchange*) {}

    void accept() override { OnOK(); }
    void reject() override { OnCancel(); }

protected:
    // Adds OK and Cancel buttons (ids 1 and 2) in a row at the bottom right.
    QWidget* MakeOkCancelRow(const QString& okText = QStringLiteral("OK"));
    // Sets the control's objectName to its id.
    template <class T>
    T* Tag(T* control, int id) {
        control->setObjectName(QString::number(id));
        return control;
    }

private:
    QHash<int, QString> m_shownText;
    QHash<int, float> m_heldValue;
    int m_nTemplateId;
    bool m_bEnded = false;
    int m_nResult = 0;
};
