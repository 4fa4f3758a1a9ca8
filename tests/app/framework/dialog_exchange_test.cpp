#include <gtest/gtest.h>

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QVBoxLayout>
#include <functional>

#include "command_ids.h"
#include "dialog.h"
#include "message_box.h"
#include "string_table.h"
#include "unknown_id_log.h"

namespace {

// A dialog with a float, a double, a text of at most 5 characters and a check box.
class SampleDlg : public CDialog {
public:
    SampleDlg() : CDialog(900) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Tag(new QLineEdit, 100));
        layout->addWidget(Tag(new QLineEdit, 101));
        layout->addWidget(Tag(new QLineEdit, 102));
        layout->addWidget(Tag(new QCheckBox("flag"), 103));
        layout->addWidget(MakeOkCancelRow());
    }
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Text(pDX, 100, f);
        DDX_Text(pDX, 101, d);
        DDX_Text(pDX, 102, s);
        DDV_MaxChars(pDX, s, 5);
        DDX_Check(pDX, 103, check);
    }
    float f = 0;
    double d = 0;
    QString s;
    int check = 0;
};

QLineEdit* edit(CDialog* dlg, int id) { return dlg->Item<QLineEdit>(id); }

}  // namespace

TEST(DialogExchange, FillsTheControlsWithSixOrFifteenDigits) {
    SampleDlg dlg;
    dlg.f = 1.0f / 3.0f;
    dlg.d = 1.0 / 3.0;
    dlg.s = "ab";
    dlg.check = 1;
    dlg.UpdateData(false);
    EXPECT_EQ(edit(&dlg, 100)->text(), "0.333333");
    EXPECT_EQ(edit(&dlg, 101)->text(), "0.333333333333333");
    EXPECT_EQ(edit(&dlg, 102)->text(), "ab");
    EXPECT_TRUE(dlg.Item<QCheckBox>(103)->isChecked());
}

TEST(DialogExchange, ReadsNumbersLocaleFree) {
    const struct {
        const char* text;
        bool ok;
        double value;
    } cases[] = {
        {"12.5", true, 12.5}, {"  -3 ", true, -3}, {"1e3", true, 1000}, {".5", true, 0.5},
        {"0", true, 0},       {"12,5", false, 0},  {"", false, 0},      {"1.2.3", false, 0},
        {"7 m", false, 0},    {"inf", false, 0},   {"nan", false, 0},   {"1,000", false, 0},
    };
    for (const auto& c : cases) {
        double v = -99;
        EXPECT_EQ(AfxParseReal(c.text, v), c.ok) << c.text;
        if (c.ok) {
            EXPECT_DOUBLE_EQ(v, c.value) << c.text;
        }
    }
}

TEST(DialogExchange, LeadingNumberOfAText) {
    const struct {
        const char* text;
        double value;
    } cases[] = {{"12.5 m", 12.5}, {"  -3e2x", -300}, {".5", 0.5}, {"abc", 0},
                 {"", 0},          {"7.", 7},         {"1e", 1}};
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(AfxLeadingReal(c.text), c.value) << c.text;
}

TEST(DialogExchange, NotANumberShowsTheMessageAndKeepsTheDialogOpen) {
    ScriptedMessageBoxes boxes;
    SampleDlg dlg;
    dlg.f = 2;
    int result = 0;
    CDialog::ModalHook old = CDialog::SetModalHook([&](CDialog* d) {
        d->show();
        edit(d, 100)->setText("abc");
        d->Item<QPushButton>(IDOK)->click();
        EXPECT_FALSE(d->IsEnded());
        EXPECT_EQ(edit(d, 100)->selectedText(), "abc");
        edit(d, 100)->setText(" 4.25 ");
        QTest::keyClick(edit(d, 100), Qt::Key_Return);  // Enter presses the default button
        result = d->IsEnded() ? 1 : 0;
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    CDialog::SetModalHook(old);
    EXPECT_EQ(result, 1);
    EXPECT_EQ(boxes.Texts(), QStringList{"Enter a number."});
    EXPECT_EQ(boxes.Boxes()[0].icon, unsigned(MB_ICONEXCLAMATION));
    EXPECT_FLOAT_EQ(dlg.f, 4.25f);
}

TEST(DialogExchange, TooLongTextShowsTheLimit) {
    ScriptedMessageBoxes boxes;
    SampleDlg dlg;
    dlg.OnInitDialog();
    edit(&dlg, 102)->setText("123456");
    EXPECT_FALSE(dlg.UpdateData(true));
    EXPECT_EQ(boxes.Texts(), QStringList{"Enter no more than 5 characters."});
    edit(&dlg, 102)->setText("12345");
    EXPECT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.s, "12345");
}

TEST(DialogExchange, CancelAndAnUnfinishedScriptChangeNothing) {
    SampleDlg dlg;
    dlg.f = 7;
    CDialog::ModalHook old = CDialog::SetModalHook([](CDialog* d) {
        d->Item<QLineEdit>(100)->setText("9");
        d->Item<QPushButton>(IDCANCEL)->click();
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.f, 7.0f);
    CDialog::SetModalHook([](CDialog* d) { d->Item<QLineEdit>(100)->setText("9"); });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(dlg.f, 7.0f);
    CDialog::SetModalHook(old);
}

namespace {

// Two radio buttons, an integer with a range, a float with a range.
class RangeDlg : public CDialog {
public:
    RangeDlg() : CDialog(901) {
        auto* layout = new QVBoxLayout(this);
        layout->addWidget(Tag(new QRadioButton("a"), 200));
        layout->addWidget(Tag(new QRadioButton("b"), 201));
        layout->addWidget(Tag(new QLineEdit, 202));
        layout->addWidget(Tag(new QLineEdit, 203));
    }
    void DoDataExchange(CDataExchange* pDX) override {
        DDX_Radio(pDX, {200, 201}, choice);
        DDX_Text(pDX, 202, size);
        DDV_MinMaxInt(pDX, size, 1, 3000);
        DDX_Text(pDX, 203, cut);
        DDV_MinMaxFloat(pDX, cut, 0.0f, 100.0f);
    }
    int choice = -1;
    int size = 10;
    float cut = 0;
};

}  // namespace

TEST(DialogExchange, RadioGroupMayShowNoChoice) {
    RangeDlg dlg;
    dlg.UpdateData(false);
    EXPECT_FALSE(dlg.Item<QRadioButton>(200)->isChecked());
    EXPECT_FALSE(dlg.Item<QRadioButton>(201)->isChecked());
    EXPECT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.choice, -1);
    dlg.Item<QRadioButton>(201)->setChecked(true);
    EXPECT_TRUE(dlg.UpdateData(true));
    EXPECT_EQ(dlg.choice, 1);
}

TEST(DialogExchange, RangeChecksNameTheLimits) {
    const struct {
        const char* size;
        const char* cut;
        const char* message;
    } cases[] = {
        {"0", "5", "Enter an integer between 1 and 3000."},
        {"3001", "5", "Enter an integer between 1 and 3000."},
        {"12x", "5", "Enter an integer."},
        {"3000", "100.5", "Enter a number between 0 and 100."},
        {"1", "-0.1", "Enter a number between 0 and 100."},
        {"1", "100", ""},
    };
    for (const auto& c : cases) {
        ScriptedMessageBoxes boxes;
        RangeDlg dlg;
        dlg.UpdateData(false);
        dlg.Item<QLineEdit>(202)->setText(c.size);
        dlg.Item<QLineEdit>(203)->setText(c.cut);
        EXPECT_EQ(dlg.UpdateData(true), QString(c.message).isEmpty()) << c.size << " " << c.cut;
        EXPECT_EQ(boxes.Texts().join(""), QString(c.message)) << c.size << " " << c.cut;
    }
}

TEST(DialogExchange, DigitsOnlyEditRefusesOtherCharacters) {
    QLineEdit edit;
    AfxAcceptDigitsOnly(&edit);
    QTest::keyClicks(&edit, "1-2.a3 ");
    EXPECT_EQ(edit.text(), "123");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "12");
}

TEST(DialogExchange, AControlIdTheDialogLacksIsAFailureNotANoOp) {
    // Each exchange names control 999, which SampleDlg (template 900) lacks;
    // nothing else of the dialog or the member changes.
    const struct {
        const char* name;
        std::function<void(CDataExchange*)> exchange;
    } cases[] = {
        {"text",
         [](CDataExchange* pDX) {
             QString s = "kept";
             DDX_Text(pDX, 999, s);
             EXPECT_EQ(s, "kept");
         }},
        {"float",
         [](CDataExchange* pDX) {
             float f = 2.5f;
             DDX_Text(pDX, 999, f);
             EXPECT_EQ(f, 2.5f);
         }},
        {"double",
         [](CDataExchange* pDX) {
             double d = 2.5;
             DDX_Text(pDX, 999, d);
             EXPECT_EQ(d, 2.5);
         }},
        {"int",
         [](CDataExchange* pDX) {
             int i = 7;
             DDX_Text(pDX, 999, i);
             EXPECT_EQ(i, 7);
         }},
        {"check",
         [](CDataExchange* pDX) {
             int c = 1;
             DDX_Check(pDX, 999, c);
             EXPECT_EQ(c, 1);
         }},
        {"radio",
         [](CDataExchange* pDX) {
             int r = 0;
             DDX_Radio(pDX, {999}, r);
         }},
    };
    for (const auto& c : cases) {
        for (bool save : {false, true}) {
            SCOPED_TRACE(std::string(c.name) + (save ? " save" : " fill"));
            SampleDlg dlg;
            dlg.s = "ab";
            dlg.UpdateData(false);
            CDataExchange dx(&dlg, save);
            ExpectUnknownId([&] { c.exchange(&dx); }, "dialog 900: unknown control id 999");
            EXPECT_EQ(edit(&dlg, 102)->text(), "ab");
        }
    }
}
