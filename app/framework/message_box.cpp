#include "message_box.h"

#include <QApplication>
#include <QMessageBox>

#include "cmd_target.h"
#include "string_table.h"

namespace {

MessageBoxHandler& currentHandler() {
    static MessageBoxHandler handler;
    return handler;
}

int showQMessageBox(const QString& text, unsigned flags) {
    QMessageBox box(QApplication::activeWindow());
    box.setWindowTitle(QApplication::applicationDisplayName());
    const MessageBoxParts parts = SplitMessageBoxText(text);
    box.setText(parts.text);
    if (!parts.details.isEmpty()) box.setDetailedText(parts.details);
    switch (flags & MB_ICONMASK) {
        case MB_ICONERROR:
            box.setIcon(QMessageBox::Critical);
            break;
        case MB_ICONQUESTION:
            box.setIcon(QMessageBox::Question);
            break;
        case MB_ICONWARNING:
            box.setIcon(QMessageBox::Warning);
            break;
        case MB_ICONINFORMATION:
            box.setIcon(QMessageBox::Information);
            break;
        default:
            break;
    }
    struct Choice {
        QMessageBox::StandardButton button;
        int answer;
    };
    std::vector<Choice> choices;
    switch (flags & MB_TYPEMASK) {
        case MB_OKCANCEL:
            choices = {{QMessageBox::Ok, IDOK}, {QMessageBox::Cancel, IDCANCEL}};
            break;
        case MB_YESNOCANCEL:
            choices = {{QMessageBox::Yes, IDYES},
                       {QMessageBox::No, IDNO},
                       {QMessageBox::Cancel, IDCANCEL}};
            break;
        case MB_YESNO:
            choices = {{QMessageBox::Yes, IDYES}, {QMessageBox::No, IDNO}};
            break;
        case MB_RETRYCANCEL:
            choices = {{QMessageBox::Retry, IDRETRY}, {QMessageBox::Cancel, IDCANCEL}};
            break;
        default:
            choices = {{QMessageBox::Ok, IDOK}};
            break;
    }
    QMessageBox::StandardButtons buttons;
    for (const Choice& c : choices) buttons |= c.button;
    box.setStandardButtons(buttons);
    box.setDefaultButton(choices.front().button);
    const int pressed = box.exec();
    for (const Choice& c : choices)
        if (c.button == pressed) return c.answer;
    // Closed by Esc or the close box: the cancelling answer of the box.
    return (flags & MB_TYPEMASK) == MB_YESNO ? IDNO
                                             : ((flags & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL);
}

// The first button of each kind of box, the answer when a script runs dry.
int defaultAnswer(unsigned flags) {
    switch (flags & MB_TYPEMASK) {
        case MB_YESNOCANCEL:
        case MB_YESNO:
            return IDYES;
        case MB_RETRYCANCEL:
            return IDRETRY;
        default:
            return IDOK;
    }
}

}  // namespace

MessageBoxParts SplitMessageBoxText(const QString& text) {
    const QStringList lines = text.split(QLatin1Char('\n'));
    if (lines.size() <= MESSAGE_BOX_LINES) return {text, QString()};
    QString shown = lines.mid(0, MESSAGE_BOX_LINES).join(QLatin1Char('\n'));
    shown += QStringLiteral("\n\n... %1 more lines: all %2 are in the details below.")
                 .arg(lines.size() - MESSAGE_BOX_LINES)
                 .arg(lines.size());
    return {shown, text};
}

namespace {
unsigned shownCount = 0;
}  // namespace

unsigned AfxMessageBoxCount() { return shownCount; }

int AfxMessageBox(const QString& text, unsigned flags) {
    ++shownCount;
    const MessageBoxHandler& handler = currentHandler();
    return handler ? handler(text, flags) : showQMessageBox(text, flags);
}

int AfxMessageBox(int stringId, unsigned flags) {
    if (!AfxHasString(stringId)) AfxUnknownId("message", stringId, "AfxMessageBox");
    return AfxMessageBox(AfxLoadString(stringId), flags);
}

MessageBoxHandler AfxSetMessageBoxHandler(MessageBoxHandler handler) {
    MessageBoxHandler old = std::move(currentHandler());
    currentHandler() = std::move(handler);
    return old;
}

ScriptedMessageBoxes::ScriptedMessageBoxes() {
    m_previous = AfxSetMessageBoxHandler([this](const QString& text, unsigned flags) {
        m_shown.push_back({text, flags & MB_ICONMASK, flags & MB_TYPEMASK});
        if (m_answers.empty()) return defaultAnswer(flags);
        const int answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    });
}

ScriptedMessageBoxes::~ScriptedMessageBoxes() { AfxSetMessageBoxHandler(std::move(m_previous)); }

QStringList ScriptedMessageBoxes::Texts() const {
    QStringList texts;
    for (const Shown& s : m_shown) texts << s.text;
    return texts;
}
