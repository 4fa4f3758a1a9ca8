// Helpers for the viewer's tests: a recorder behind the message seam, a
// scratch folder per test, and real result files written by the library.
#pragma once

#include "message_box.h"

#include <QString>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

// Readable QString values in test failures.
inline void PrintTo(const QString& text, std::ostream* os) {
    *os << '"' << text.toStdString() << '"';
}

namespace tessel::test {

// Records every message box while alive and answers IDOK.
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    const std::vector<MessageRequest>& messages() const { return messages_; }
    QString texts() const;  // all texts joined by " | ", for failure output

private:
    std::vector<MessageRequest> messages_;
    MessageHandler previous_;
};

// A fixture with a scratch folder removed after the test and a recorder.
class ScratchTest : public ::testing::Test {
protected:
    // Writes `content` (bytes as given) to `name` in the scratch folder and
    // returns the file's path.
    QString Write(const QString& name, const QByteArray& content) const;
    QString Path(const QString& name) const { return dir_.filePath(name); }

    QTemporaryDir dir_;
    MessageRecorder recorder_;
};

QString ProgramDir();
QString ArtifactsDir();

// Runs the example program on a case file in `workDir`; returns the path of
// the result file it wrote ("" and a gtest failure when it did not).
QString RunRealCase(const QString& caseFile, const QString& workDir);

// A branch-name file as the program writes it: header, then "i name".
QByteArray BranchNames(const QStringList& names);

}  // namespace tessel::test
