#pragma once
// A small program shell for the framework tests: an application with one
// text document template, its main frame and a file-name script.
#include <QFile>
#include <QMdiArea>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>

#include "command_ids.h"
#include "doc_view.h"
#include "frames.h"
#include "shown_title.h"
#include "win_app.h"

// A document holding one line of text in its file.
class TextDoc : public CDocument {
public:
    QString text;
    bool OnNewDocument() override {
        text.clear();
        return CDocument::OnNewDocument();
    }
    bool OnOpenDocument(const QString& path) override {
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly)) return false;
        text = QString::fromUtf8(f.readAll());
        SetModifiedFlag(false);
        return true;
    }
    bool OnSaveDocument(const QString& path) override {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly)) return false;
        f.write(text.toUtf8());
        SetModifiedFlag(false);
        ++saves;
        return true;
    }
    int saves = 0;
};

class TextView : public CView {
public:
    void OnDraw(QPainter* painter) override {
        ++draws;
        if (auto* doc = static_cast<TextDoc*>(GetDocument())) painter->drawText(10, 20, doc->text);
    }
    void OnUpdate(CView* sender, long hint) override {
        ++updates;
        CView::OnUpdate(sender, hint);
    }
    int draws = 0;
    int updates = 0;
};

struct TestShell {
    explicit TestShell(
        const QString& docString = QStringLiteral(
            "\nText\nText\nText Files (*.txt)\n.txt\nText.Document\nText Document")) {
        app = std::make_unique<CWinApp>(QStringLiteral("FrameworkTests"));
        app->SetRegistryKey(QStringLiteral("Holvik"));
        app->LoadStdProfileSettings(9);
        tmpl = new CDocTemplate(
            700, docString, [] { return new TextDoc; }, [] { return new CMDIChildWnd; },
            [] { return new TextView; });
        app->AddDocTemplate(tmpl);
        main = new CMDIFrameWnd;
        main->AddCommand(ID_FILE_SAVE, QStringLiteral("&Save\tCtrl+S"));
        main->AddCommand(ID_FILE_CLOSE, QStringLiteral("&Close"));
        app->m_pMainWnd = main;
        main->resize(800, 600);
        main->show();
        AfxSetFileNameHandler([this](bool open, QString& path, const QString&) {
            lastPromptWasOpen = open;
            if (nextFileName.isEmpty()) return false;
            path = nextFileName;
            return true;
        });
    }
    ~TestShell() {
        AfxSetFileNameHandler({});
        app->CloseAllDocuments();
        delete main;
        app.reset();
    }
    QString Path(const QString& name) const { return dir.filePath(name); }
    int ChildCount() const { return int(main->MdiArea()->subWindowList().size()); }

    QTemporaryDir dir;
    std::unique_ptr<CWinApp> app;
    CDocTemplate* tmpl = nullptr;
    CMDIFrameWnd* main = nullptr;
    QString nextFileName;
    bool lastPromptWasOpen = false;
};
