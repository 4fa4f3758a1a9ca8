#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QMdiArea>
#include <QSettings>

#include "message_box.h"
#include "string_table.h"
#include "test_shell.h"

namespace {

void writeFile(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray readFile(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

TextDoc* activeDoc(const TestShell& shell) {
    return static_cast<TextDoc*>(shell.main->GetActiveDocument());
}

}  // namespace

TEST(Documents, NewAndOpenMakeOneChildWithItsView) {
    TestShell shell;
    shell.app->OnFileNew();
    ASSERT_EQ(shell.ChildCount(), 1);
    EXPECT_EQ(shownTitle(shell.main->MDIGetActive()), "Text1");
    EXPECT_NE(dynamic_cast<TextView*>(shell.main->GetActiveView()), nullptr);

    const QString path = shell.Path("a.txt");
    writeFile(path, "hello");
    CDocument* doc = shell.app->OpenDocumentFile(path);
    ASSERT_NE(doc, nullptr);
    EXPECT_EQ(shell.ChildCount(), 2);
    EXPECT_EQ(static_cast<TextDoc*>(doc)->text, "hello");
    EXPECT_EQ(shownTitle(shell.main->MDIGetActive()), "a.txt");
    // Opening it again brings the same window forward.
    EXPECT_EQ(shell.app->OpenDocumentFile(path), doc);
    EXPECT_EQ(shell.ChildCount(), 2);
}

TEST(Documents, FailedOpenShowsTheFrameworkMessageAndLeavesNoWindow) {
    TestShell shell;
    ScriptedMessageBoxes boxes;
    EXPECT_EQ(shell.app->OpenDocumentFile(shell.Path("missing.txt")), nullptr);
    EXPECT_EQ(shell.ChildCount(), 0);
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(AFX_IDP_FAILED_TO_OPEN_DOC)});
}

TEST(Documents, SavePromptOnClose) {
    // The prompt's three answers: No discards, Cancel keeps the window, Yes saves.
    const struct {
        int answer;
        int childrenAfter;
        const char* fileAfter;
    } cases[] = {{IDNO, 0, "old"}, {IDCANCEL, 1, "old"}, {IDYES, 0, "new"}};
    for (const auto& c : cases) {
        TestShell shell;
        const QString path = shell.Path("b.txt");
        writeFile(path, "old");
        auto* doc = static_cast<TextDoc*>(shell.app->OpenDocumentFile(path));
        ASSERT_NE(doc, nullptr);
        doc->text = "new";
        doc->SetModifiedFlag();
        ScriptedMessageBoxes boxes;
        boxes.Answer(c.answer);
        shell.main->MDIGetActive()->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        EXPECT_EQ(shell.ChildCount(), c.childrenAfter) << c.answer;
        EXPECT_EQ(readFile(path), QByteArray(c.fileAfter)) << c.answer;
        ASSERT_EQ(boxes.Boxes().size(), 1u);
        EXPECT_EQ(boxes.Texts()[0], "Save changes to b.txt?");
        EXPECT_EQ(boxes.Boxes()[0].buttons, unsigned(MB_YESNOCANCEL));
    }
}

TEST(Documents, UntitledSaveAsksForANameAndCancelKeepsItModified) {
    TestShell shell;
    shell.app->OnFileNew();
    TextDoc* doc = activeDoc(shell);
    doc->text = "x";
    doc->SetModifiedFlag();
    EXPECT_TRUE(shell.main->ExecuteCommand(ID_FILE_SAVE));  // name prompt declined
    EXPECT_FALSE(shell.lastPromptWasOpen);
    EXPECT_TRUE(doc->IsModified());
    shell.nextFileName = shell.Path("c.txt");
    shell.main->ExecuteCommand(ID_FILE_SAVE);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(readFile(shell.Path("c.txt")), "x");
    EXPECT_EQ(doc->GetTitle(), "c.txt");
}

TEST(Documents, TitleFollowsTheDocumentAndShowsItsModifiedMark) {
    TestShell shell;
    const auto title = [&] { return shownTitle(shell.main->MDIGetActive()); };
    shell.app->OnFileNew();
    TextDoc* doc = activeDoc(shell);
    EXPECT_EQ(title(), "Text1");
    doc->SetModifiedFlag();
    EXPECT_EQ(title(), "Text1*");
    shell.nextFileName = shell.Path("d.txt");
    shell.main->ExecuteCommand(ID_FILE_SAVE);
    EXPECT_EQ(title(), "d.txt");
    doc->SetModifiedFlag();
    EXPECT_EQ(title(), "d.txt*");
    ASSERT_TRUE(doc->DoSave(shell.Path("e.txt")));  // Save As
    EXPECT_EQ(title(), "e.txt");
    writeFile(shell.Path("f.txt"), "f");
    ASSERT_NE(shell.app->OpenDocumentFile(shell.Path("f.txt")), nullptr);
    EXPECT_EQ(title(), "f.txt");
}

TEST(Documents, OnlyTheLastWindowOfADocumentAsks) {
    TestShell shell;
    shell.app->OnFileNew();
    TextDoc* doc = activeDoc(shell);
    doc->SetModifiedFlag();
    shell.main->ExecuteCommand(ID_WINDOW_NEW);
    ASSERT_EQ(shell.ChildCount(), 2);
    EXPECT_EQ(shownTitle(shell.main->MDIGetActive()), "Text1:2*");
    ScriptedMessageBoxes boxes;
    shell.main->MDIGetActive()->close();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(boxes.Texts().isEmpty());
    EXPECT_EQ(shell.ChildCount(), 1);
    EXPECT_EQ(shownTitle(shell.main->MdiArea()->subWindowList().front()), "Text1*");
    boxes.Answer(IDNO);
    shell.main->MdiArea()->subWindowList().front()->close();
    EXPECT_EQ(boxes.Texts().size(), 1);
}

TEST(Documents, UpdateAllViewsSkipsTheSender) {
    TestShell shell;
    shell.app->OnFileNew();
    TextDoc* doc = activeDoc(shell);
    shell.main->ExecuteCommand(ID_WINDOW_NEW);
    auto* first = static_cast<TextView*>(doc->GetViews()[0]);
    auto* second = static_cast<TextView*>(doc->GetViews()[1]);
    const int before1 = first->updates, before2 = second->updates;
    doc->UpdateAllViews(first);
    EXPECT_EQ(first->updates, before1);
    EXPECT_EQ(second->updates, before2 + 1);
}

TEST(Documents, ClosingTheMainWindowAsksForEveryModifiedDocument) {
    TestShell shell;
    shell.app->OnFileNew();
    activeDoc(shell)->SetModifiedFlag();
    ScriptedMessageBoxes boxes;
    boxes.Answer(IDCANCEL);
    EXPECT_FALSE(shell.main->close());
    EXPECT_EQ(shell.ChildCount(), 1);
    boxes.Answer(IDNO);
    EXPECT_TRUE(shell.main->close());
    EXPECT_EQ(boxes.Texts().size(), 2);
}

TEST(RecentFiles, KeepsNineNewestFirstInTheSettings) {
    TestShell shell;
    QStringList paths;
    for (int i = 0; i < 11; ++i) {
        paths << shell.Path(QStringLiteral("f%1.txt").arg(i));
        writeFile(paths.back(), "x");
        shell.app->OpenDocumentFile(paths.back());
    }
    // Reopening f3 moves it to the top.
    shell.app->CloseAllDocuments();
    shell.app->OpenDocumentFile(paths[3]);
    CRecentFileList* list = shell.app->GetRecentFileList();
    ASSERT_EQ(list->GetSize(), 9);
    EXPECT_EQ((*list)[0], paths[3]);
    EXPECT_EQ((*list)[1], paths[10]);
    EXPECT_EQ((*list)[7], paths[4]);
    EXPECT_EQ((*list)[8], paths[2]);

    QSettings settings;
    EXPECT_EQ(settings.organizationName(), "Holvik");
    EXPECT_EQ(settings.value("Recent File List/File1").toString(), paths[3]);
    EXPECT_FALSE(settings.contains("Recent File List/File10"));
    // A new list reads what the old one wrote.
    CRecentFileList again(9);
    again.ReadList();
    EXPECT_EQ(again[8], paths[2]);
}

TEST(RecentFiles, AMissingFileLeavesTheList) {
    TestShell shell;
    const QString path = shell.Path("gone.txt");
    writeFile(path, "x");
    shell.app->OpenDocumentFile(path);
    shell.app->CloseAllDocuments();
    QFile::remove(path);
    ScriptedMessageBoxes boxes;
    ASSERT_EQ((*shell.app->GetRecentFileList())[0], path);
    EXPECT_TRUE(shell.main->ExecuteCommand(ID_FILE_MRU_FILE1));
    EXPECT_EQ(boxes.Texts(), QStringList{AfxLoadString(AFX_IDP_FAILED_TO_OPEN_DOC)});
    for (int i = 0; i < shell.app->GetRecentFileList()->GetSize(); ++i)
        EXPECT_NE((*shell.app->GetRecentFileList())[i], path);
}
