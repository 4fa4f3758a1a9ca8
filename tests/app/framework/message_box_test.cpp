// A long message (the repairs of a damaged scenario file, say) in the real
// box: its first lines in the box, every line in the details area, which
// scrolls; a short one whole, without details.
#include "message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QTextEdit>
#include <QTimer>

#include <gtest/gtest.h>

namespace {

struct Seen {
    QString text, details;
    bool scrolls = false;
};

// Shows the text in the program's own box and reads it back while it is up.
Seen shownInTheBox(const QString& text) {
    Seen seen;
    const MessageBoxHandler previous = AfxSetMessageBoxHandler({});
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        seen.text = box->text();
        seen.details = box->detailedText();
        seen.scrolls = box->findChild<QTextEdit*>() != nullptr;
        box->done(QMessageBox::Ok);
    });
    AfxMessageBox(text, MB_ICONEXCLAMATION);
    AfxSetMessageBoxHandler(previous);
    return seen;
}

QString numberedLines(int n) {
    QStringList lines{QStringLiteral("Warning:\nThe file was damaged; these were repaired:")};
    for (int i = 1; i <= n; ++i) lines << QStringLiteral("repair %1").arg(i);
    return lines.join('\n');
}

TEST(MessageBox, a_long_text_keeps_every_line_in_a_details_area_that_scrolls) {
    struct Case {
        int repairs;  // the text has two lines more
        bool details;
    };
    const Case cases[] = {{3, false}, {18, false}, {19, true}, {57, true}};
    for (const Case& c : cases) {
        const QString text = numberedLines(c.repairs);
        const Seen seen = shownInTheBox(text);
        if (!c.details) {
            EXPECT_EQ(seen.text, text) << c.repairs;
            EXPECT_TRUE(seen.details.isEmpty()) << c.repairs;
            continue;
        }
        EXPECT_EQ(seen.details, text) << c.repairs;
        EXPECT_TRUE(seen.scrolls) << c.repairs;
        EXPECT_TRUE(seen.text.startsWith(numberedLines(18) + "\n\n")) << c.repairs;
        EXPECT_TRUE(seen.text.endsWith(QStringLiteral("... %1 more lines: all %2 are in the "
                                                      "details below.")
                                           .arg(c.repairs + 2 - 20)
                                           .arg(c.repairs + 2)))
            << seen.text.toStdString();
    }
}

}  // namespace
