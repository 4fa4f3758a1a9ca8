#include <gtest/gtest.h>

#include "command_ids.h"
#include "message_box.h"
#include "string_table.h"

TEST(StringTable, MessagesReadAsTheProgramShowsThem) {
    const struct {
        int id;
        const char* text;
    } cases[] = {
        {16100,
         "OLE initialization failed.  Make sure that the OLE libraries are the correct version."},
        {16101, "No problems detected - The network is valid!"},
        {16103,
         "The network must be a \"tree-shape\" with all branches (pipelines) converging toward a "
         "single "
         "Outlet point at its \"root\"."},
        {16110, "Unknown error"},
        {16150, "Calculating discharge..."},
        {16166, "A label must be entered!"},
        {16169,
         "Water temperature value was below -273 \xC2\xB0"
         "C!"},
        {16196,
         "You must confirm having considered (or at least seen) the fluid settings by pressing OK "
         "in the "
         "Fluid Properties dialog box!"},
        {61705, "Command failed."},
        {61713, "Enter a number."},
        {61716, "Enter no more than %1 characters."},
        {ID_TOOL_SELECT, "Select an object for modification\nSelect"},
    };
    for (const auto& c : cases) EXPECT_EQ(AfxLoadString(c.id), QString::fromUtf8(c.text)) << c.id;
}

TEST(StringTable, EveryMessageOfTheModelsAndDialogsIsPresent) {
    // Identifiers the network check, the models and the dialogs raise.
    const int used[] = {
        16100, 16101, 16102, 16103, 16104, 16106, 16107, 16108, 16109, 16110, 16111, 16112, 16113,
        16115, 16116, 16117, 16118, 16119, 16120, 16121, 16122, 16123, 16124, 16126, 16127, 16128,
        16129, 16130, 16131, 16132, 16133, 16134, 16135, 16136, 16137, 16138, 16139, 16140, 16141,
        16142, 16143, 16144, 16145, 16146, 16147, 16148, 16150, 16151, 16152, 16153, 16154, 16155,
        16156, 16157, 16158, 16159, 16160, 16161, 16162, 16163, 16164, 16165, 16166, 16167, 16168,
        16169, 16171, 16172, 16173, 16174, 16175, 16176, 16177, 16178, 16179, 16180, 16181, 16182,
        16183, 16184, 16185, 16187, 16189, 16191, 16192, 16193, 16194, 16196, 16270, 16271};
    for (int id : used) EXPECT_FALSE(AfxLoadString(id).isEmpty()) << id;
    EXPECT_TRUE(AfxLoadString(16105).isEmpty());
}

TEST(StringTable, FormatsTheArgumentInBothPlaceholderForms) {
    EXPECT_EQ(AfxFormatString1(61716, "5"), "Enter no more than 5 characters.");
    EXPECT_EQ(AfxFormatString1(16173, "g/mol"), "Mol wt [g/mol]");
    EXPECT_EQ(AfxFormatString1(16179, "CO2"), "Liquid density must be specified for component CO2");
}

TEST(MessageBoxSeam, RecordsTextAndIconAndAnswersFromTheScript) {
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDNO);
    EXPECT_EQ(AfxMessageBox(16156, MB_YESNO | MB_ICONQUESTION), IDNO);
    // Once the script runs dry: the first button of the box.
    EXPECT_EQ(AfxMessageBox(16196, MB_RETRYCANCEL | MB_ICONEXCLAMATION), IDRETRY);
    EXPECT_EQ(AfxMessageBox(QStringLiteral("Import FAILED.")), IDOK);
    ASSERT_EQ(boxes.Boxes().size(), 3u);
    EXPECT_EQ(boxes.Boxes()[0].text, AfxLoadString(16156));
    EXPECT_EQ(boxes.Boxes()[0].icon, unsigned(MB_ICONQUESTION));
    EXPECT_EQ(boxes.Boxes()[1].buttons, unsigned(MB_RETRYCANCEL));
    EXPECT_EQ(boxes.Texts().back(), "Import FAILED.");
}

TEST(MessageBoxSeam, NestedScriptsRestoreTheOuterOne) {
    ScriptedMessageBoxes outer;
    {
        ScriptedMessageBoxes inner;
        AfxMessageBox(QStringLiteral("inner"));
        EXPECT_EQ(inner.Texts(), QStringList{"inner"});
    }
    AfxMessageBox(QStringLiteral("outer"));
    EXPECT_EQ(outer.Texts(), QStringList{"outer"});
}
