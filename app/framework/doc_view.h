#pragma once
#include <QAbstractScrollArea>
#include <QFont>
#include <QString>
#include <QStringList>
#include <functional>
#include <vector>

#include "cmd_target.h"

class CDocTemplate;
class CDocument;
class CMDIChildWnd;
class QPainter;
class QPrinter;

// A view: a scrolling window on a document. Views draw through OnDraw, on
// the screen and on the printer alike.
class CView : public QAbstractScrollArea, public CCmdTarget {
    Q_OBJECT
public:
    explicit CView(QWidget* parent = nullptr);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    CMDIChildWnd* GetParentFrame() const;

    virtual void OnInitialUpdate();
    virtual void OnUpdate(CView* sender, long hint);
    virtual void OnDraw(QPainter* painter) = 0;

    // Printing: the framework's Print, Print Preview and direct print
    // commands run these around OnDraw; PrintTo prints onto a given printer.
    virtual bool OnPreparePrinting(QPrinter* printer);
    virtual void OnBeginPrinting(QPrinter* printer) {}
    virtual void OnEndPrinting(QPrinter* printer) {}
    bool PrintTo(QPrinter* printer);
    // Prints on the default printer without asking; a printer that is
    // missing or refuses is said in a message. True when printed.
    bool PrintDirect() { return OnFilePrint(false); }
    bool IsPrinting() const { return m_pPrinter != nullptr; }
    QPrinter* GetPrinter() const { return m_pPrinter; }

    // Scrolling: the total size of the drawing in pixels.
    void SetScrollSizes(QSize total, QSize page = QSize(), QSize line = QSize());
    QSize GetTotalSize() const { return m_totalSize; }
    QPoint GetScrollPosition() const;
    void ScrollToPosition(QPoint pos);

    bool OnCmdMsg(int id, CCmdUI* ui) override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;

    bool OnFilePrint(bool withDialog);
    void OnFilePrintPreview();

private:
    friend class CDocument;
    void UpdateScrollBars();

    CDocument* m_pDocument = nullptr;
    QPrinter* m_pPrinter = nullptr;
    QSize m_totalSize{0, 0};
    QSize m_pageSize;
    QSize m_lineSize;
};

// A document: the data behind one or more views, with the modified flag,
// its file path and the save prompt.
class CDocument : public CCmdTarget {
public:
    CDocument();
    ~CDocument() override;

    const QString& GetTitle() const { return m_strTitle; }
    virtual void SetTitle(const QString& title);
    const QString& GetPathName() const { return m_strPathName; }
    virtual void SetPathName(const QString& path, bool addToMRU = true);
    CDocTemplate* GetDocTemplate() const { return m_pDocTemplate; }

    bool IsModified() const { return m_bModified; }
    // A change shows in the window titles (the desktop's modified mark).
    void SetModifiedFlag(bool modified = true);

    void AddView(CView* view);
    void RemoveView(CView* view);
    const std::vector<CView*>& GetViews() const { return m_views; }
    void UpdateAllViews(CView* sender, long hint = 0);
    // Frames that show this document, in the order of their views.
    std::vector<CMDIChildWnd*> GetFrames() const;

    virtual bool OnNewDocument();
    virtual bool OnOpenDocument(const QString& path);
    virtual bool OnSaveDocument(const QString& path);
    virtual void DeleteContents() {}
    // Closes every frame of the document and deletes it.
    virtual void OnCloseDocument();
    virtual bool CanCloseFrame(CMDIChildWnd* frame);
    // Called after a frame of this document was closed; without views left
    // the document closes.
    virtual void OnFrameClosed(CMDIChildWnd* frame);
    // Asks to save a modified document: Yes saves, No discards, Cancel keeps.
    virtual bool SaveModified();

    // Saves under path (an empty path asks for a name); replace makes that
    // the document's path.
    bool DoSave(const QString& path, bool replace = true);
    bool DoFileSave();

    bool OnCmdMsg(int id, CCmdUI* ui) override;

private:
    friend class CDocTemplate;
    QString m_strTitle;
    QString m_strPathName;
    bool m_bModified = false;
    bool m_bClosing = false;
    CDocTemplate* m_pDocTemplate = nullptr;
    std::vector<CView*> m_views;
};

// A document template: which document, frame and view classes make up one
// kind of window, and its document string (fields separated by "\n").
class CDocTemplate : public CCmdTarget {
public:
    enum DocStringIndex {
        windowTitle,
        docName,
        fileNewName,
        filterName,
        filterExt,
        regFileTypeId,
        regFileTypeName
    };
    using DocFactory = std::function<CDocument*()>;
    using FrameFactory = std::function<CMDIChildWnd*()>;
    using ViewFactory = std::function<CView*()>;

    CDocTemplate(int resourceId, const QString& docString, DocFactory newDoc, FrameFactory newFrame,
                 ViewFactory newView);
    ~CDocTemplate() override;

    int GetResourceId() const { return m_nResourceId; }
    QString GetDocString(DocStringIndex index) const;

    // An empty path makes a new document.
    CDocument* OpenDocumentFile(const QString& path, bool makeVisible = true);
    CMDIChildWnd* CreateNewFrame(CDocument* doc, CMDIChildWnd* other);
    void InitialUpdateFrame(CMDIChildWnd* frame, CDocument* doc, bool makeVisible = true);

    const std::vector<CDocument*>& GetDocuments() const { return m_docs; }
    void AddDocument(CDocument* doc);
    void RemoveDocument(CDocument* doc);
    void CloseAllDocuments();

private:
    int m_nResourceId;
    QString m_strDocString;
    DocFactory m_newDoc;
    FrameFactory m_newFrame;
    ViewFactory m_newView;
    std::vector<CDocument*> m_docs;
    int m_nUntitledCount = 0;
};

// Asks for a file name (open or save) with the template's filter. Tests
// install their own answer.
using FileNameHandler = std::function<bool(bool open, QString& path, const QString& filter)>;
FileNameHandler AfxSetFileNameHandler(FileNameHandler handler);
bool AfxDoPromptFileName(QString& path, bool open, CDocTemplate* tmpl);

class QPlainTextEdit;

// A view that is a read-only text, printable as it stands.
// Sets up every printer the print commands make (tests print to a PDF).
using PrinterSetup = std::function<void(QPrinter&)>;
PrinterSetup AfxSetPrinterSetup(PrinterSetup setup);

class CEditView : public CView {
    Q_OBJECT
public:
    explicit CEditView(QWidget* parent = nullptr);
    QPlainTextEdit* GetEditCtrl() const { return m_pEdit; }
    void OnDraw(QPainter* painter) override;

    // The printed text: the control's font at this size, lines kept whole.
    static constexpr double kPrintPointSize = 9.0;
    QFont PrintFont() const;
    // Text lines a page holds below its header and above its page number.
    int LinesPerPage(QPrinter* printer) const;
    // The line printed at the top of every page, with an empty line below
    // it; none when empty.
    virtual QString PrintHeader() const { return QString(); }
    // The printed pages as (first line, line count). A section heading (a line
    // ending in ':' after an empty line or at the top) is not left at a page's
    // foot: when it and the lines that open its section do not fit, its page
    // starts with it.
    static std::vector<std::pair<int, int>> PrintPages(const QStringList& lines, int perPage);
    static constexpr int kHeadingKeep = 6;  // the heading and the first lines of its section

private:
    QPlainTextEdit* m_pEdit;
};
