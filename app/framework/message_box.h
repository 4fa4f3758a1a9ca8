#pragma once
#include <QString>
#include <QStringList>
#include <deque>
#include <functional>
#include <vector>

#include "command_ids.h"

// Every message box of the program goes through here. The program shows a
// QMessageBox; a test installs its own handler that records the text and
// answers with a scripted button.
using MessageBoxHandler = std::function<int(const QString& text, unsigned flags)>;

int AfxMessageBox(const QString& text, unsigned flags = MB_OK);
int AfxMessageBox(int stringId, unsigned flags = MB_OK);
// How many boxes have been shown so far (a caller's own message can give way
// to one that already said why).
unsigned AfxMessageBoxCount();

// What a box shows of a long text (a list of repairs, say): its first lines
// and a note, with the whole text in the box's details area, which scrolls.
// A text of at most MESSAGE_BOX_LINES lines is shown whole, details empty.
constexpr int MESSAGE_BOX_LINES = 20;
struct MessageBoxParts {
    QString text;
    QString details;
};
MessageBoxParts SplitMessageBoxText(const QString& text);

// Installs a handler; an empty one restores the QMessageBox. Returns the old one.
MessageBoxHandler AfxSetMessageBoxHandler(MessageBoxHandler handler);

// A recording handler for scripted runs: it keeps every text and icon and
// answers with the queued buttons in turn (the first button of the box once
// the queue is empty: OK, Yes or Retry). Installed while it lives.
class ScriptedMessageBoxes {
public:
    struct Shown {
        QString text;
        unsigned icon;
        unsigned buttons;
    };

    ScriptedMessageBoxes();
    ~ScriptedMessageBoxes();
    ScriptedMessageBoxes(const ScriptedMessageBoxes&) = delete;
    ScriptedMessageBoxes& operator=(const ScriptedMessageBoxes&) = delete;

    void Answer(int button) { m_answers.push_back(button); }
    const std::vector<Shown>& Boxes() const { return m_shown; }
    QStringList Texts() const;
    void Clear() { m_shown.clear(); }

private:
    std::vector<Shown> m_shown;
    std::deque<int> m_answers;
    MessageBoxHandler m_previous;
};
