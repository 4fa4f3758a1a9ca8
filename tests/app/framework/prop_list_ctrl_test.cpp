#include <gtest/gtest.h>

#include <QLineEdit>
#include <QTest>

#include "prop_list_ctrl.h"

namespace {

class CountChanges : public FEditableListCtrlCallback {
public:
    explicit CountChanges(QList<QPoint>* log) : m_log(log) {}
    void Changed(CPropListCtrl*, int row, int column) override { *m_log << QPoint(column, row); }

private:
    QList<QPoint>* m_log;
};

// A component grid: a name column and three number columns, three rows.
class PropList : public ::testing::Test {
protected:
    void SetUp() override {
        list.resize(500, 300);
        list.InsertColumn(0, "Component");
        list.InsertColumn(1, "Mol %", Qt::AlignRight);
        list.InsertColumn(2, "Mol wt", Qt::AlignRight);
        list.InsertColumn(3, "Liq.density", Qt::AlignRight);
        for (int r = 0; r < 3; ++r) {
            list.InsertItem(r, QStringLiteral("C%1").arg(r + 1));
            for (int c = 1; c < 4; ++c)
                list.SetItemText(r, c, QStringLiteral("%1.%2").arg(r).arg(c));
        }
        list.SetValidator(1, new FNumericValidater("%.3f"));
        list.SetValidator(2, new FNumericValidater("%.3f"));
        list.SetChangedCallback(1, new CountChanges(&changes));
        list.show();
        QApplication::setActiveWindow(&list);
    }
    QLineEdit* Edit() const { return list.GetEdit(); }
    void Key(int key, Qt::KeyboardModifiers mods = Qt::NoModifier) {
        QTest::keyClick(Edit(), Qt::Key(key), mods);
    }
    QPoint Cell() const { return {list.GetCurrentColumn(), list.GetCurrentRow()}; }
    void Type(const QString& text) {
        Edit()->selectAll();
        QTest::keyClick(Edit(), Qt::Key_Backspace);
        QTest::keyClicks(Edit(), text);
    }

    CPropListCtrl list;
    QList<QPoint> changes;
};

}  // namespace

TEST_F(PropList, ClickOnACellOpensTheEditorThere) {
    const QRect cell = list.visualRect(list.model()->index(1, 2));
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {}, cell.center());
    ASSERT_TRUE(list.IsEditing());
    EXPECT_EQ(Cell(), QPoint(2, 1));
    EXPECT_EQ(Edit()->objectName(), "45587");
    EXPECT_EQ(Edit()->text(), "1.2");
    EXPECT_EQ(Edit()->selectedText(), "1.2");
    // The first column is not editable.
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(0, 0)).center());
    EXPECT_FALSE(list.IsEditing());
    EXPECT_EQ(list.GetItemText(1, 2), "1.200");
}

TEST_F(PropList, TabAndShiftTabWalkTheEditableCellsAndWrap) {
    list.SetLastEditableColumn(1, 2);  // row 1 has no column 3
    list.StartEdit(0, 2);
    // Forward: (3,0) -> next row's first (1,1) -> (2,1) -> row 2, its last -> stays.
    const QPoint forward[] = {{3, 0}, {1, 1}, {2, 1}, {1, 2}, {2, 2}, {3, 2}, {3, 2}};
    for (const QPoint& expected : forward) {
        Key(Qt::Key_Tab);
        EXPECT_EQ(Cell(), expected);
        EXPECT_TRUE(list.IsEditing());
    }
    // Back: to row 1's last editable column 2, never 3; row 0 col 1 stays.
    const QPoint back[] = {{2, 2}, {1, 2}, {2, 1}, {1, 1}, {3, 0}, {2, 0}, {1, 0}, {1, 0}};
    for (const QPoint& expected : back) {
        Key(Qt::Key_Backtab, Qt::ShiftModifier);
        EXPECT_EQ(Cell(), expected);
    }
}

TEST_F(PropList, ARefusedValueKeepsTheEditorWithItsTextSelected) {
    list.StartEdit(0, 1);
    Type("-4");
    Key(Qt::Key_Tab);
    EXPECT_EQ(Cell(), QPoint(1, 0));
    EXPECT_TRUE(list.IsEditing());
    EXPECT_EQ(Edit()->selectedText(), "-4");
    EXPECT_EQ(list.GetItemText(0, 1), "0.1");
    EXPECT_TRUE(changes.isEmpty());
    // Enter and Down refuse it too; the text is still there.
    Key(Qt::Key_Return);
    Key(Qt::Key_Down);
    EXPECT_TRUE(list.IsEditing());
    EXPECT_EQ(Cell(), QPoint(1, 0));
    Type(" 12.5 ");
    Key(Qt::Key_Return);
    EXPECT_FALSE(list.IsEditing());
    EXPECT_EQ(list.GetItemText(0, 1), "12.500");
    EXPECT_EQ(changes, QList<QPoint>{QPoint(1, 0)});
}

TEST_F(PropList, EnterStoresEscDropsEmptyIsAllowed) {
    list.StartEdit(2, 2);
    Type("");
    Key(Qt::Key_Enter);
    EXPECT_EQ(list.GetItemText(2, 2), "");
    list.StartEdit(2, 1);
    Type("99");
    Key(Qt::Key_Escape);
    EXPECT_FALSE(list.IsEditing());
    EXPECT_EQ(list.GetItemText(2, 1), "2.1");
    EXPECT_EQ(list.selectionModel()->selectedRows().front().row(), 2);
    // A column without validator takes the trimmed text as it is.
    list.StartEdit(1, 3);
    Type("  abc ");
    Key(Qt::Key_Return);
    EXPECT_EQ(list.GetItemText(1, 3), "abc");
}

TEST_F(PropList, UpAndDownMoveOneRowWithinTheList) {
    list.SetLastEditableColumn(1, 2);
    list.StartEdit(0, 3);
    Type("5");
    Key(Qt::Key_Up);  // first row: stays, but the value is stored
    EXPECT_EQ(Cell(), QPoint(3, 0));
    EXPECT_EQ(list.GetItemText(0, 3), "5");
    Key(Qt::Key_Down);  // row 1 ends at column 2
    EXPECT_EQ(Cell(), QPoint(2, 1));
    Key(Qt::Key_Down);
    Key(Qt::Key_Down);  // last row: stays
    EXPECT_EQ(Cell(), QPoint(2, 2));
}

TEST_F(PropList, F2EditsTheSelectedRowAtTheFirstEditableColumn) {
    list.SelectRow(2);
    list.setFocus();
    QTest::keyClick(&list, Qt::Key_F2);
    ASSERT_TRUE(list.IsEditing());
    EXPECT_EQ(Cell(), QPoint(1, 2));
}

TEST_F(PropList, ARowEndingAtColumnTwoNeverEditsColumnThree) {
    list.SetLastEditableColumn(0, 2);
    QTest::mouseClick(list.viewport(), Qt::LeftButton, {},
                      list.visualRect(list.model()->index(0, 3)).center());
    EXPECT_FALSE(list.IsEditing());
    // A last column beyond the list falls back to the list's last column.
    list.SetLastEditableColumn(2, 7);
    EXPECT_EQ(list.GetLastEditableColumn(2), 3);
    EXPECT_EQ(list.GetLastEditableColumn(1), 3);
}

TEST(NumericValidater, TrimsChecksAndRewrites) {
    const struct {
        const char* in;
        bool ok;
        const char* out;
    } cases[] = {{" 1.5 ", true, "1.500"}, {"", true, ""},      {"0", true, "0.000"},
                 {"-0.1", false, ""},      {"1.5x", false, ""}, {"x", false, ""},
                 {"2e1", true, "20.000"}};
    FNumericValidater v("%.3f");
    for (const auto& c : cases) {
        QString text = c.in;
        EXPECT_EQ(v.Validate(text), c.ok) << c.in;
        if (c.ok) {
            EXPECT_EQ(text, QString(c.out)) << c.in;
        }
    }
}
