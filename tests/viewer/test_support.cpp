#include "test_support.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace tessel::test {

MessageRecorder::MessageRecorder() {
    previous_ = SetMessageHandler([this](const MessageRequest& request) {
        messages_.push_back(request);
        return IDOK;
    });
}

MessageRecorder::~MessageRecorder() { SetMessageHandler(previous_); }

QString MessageRecorder::texts() const {
    QStringList all;
    for (const MessageRequest& m : messages_) all.append(m.text);
    return all.join(QStringLiteral(" | "));
}

QString ScratchTest::Write(const QString& name, const QByteArray& content) const {
    const QString path = dir_.filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    file.write(content);
    return path;
}

QString ProgramDir() { return QStringLiteral(TESSEL_PROGRAM_DIR); }
QString ArtifactsDir() { return QStringLiteral(TESSEL_TEST_ARTIFACTS); }

QString RunRealCase(const QString& caseFile, const QString& workDir) {
    QProcess process;
    process.setWorkingDirectory(workDir);
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(QStringLiteral(TESSEL_RELEASE_EXAMPLE), {caseFile});
    if (!process.waitForFinished(-1) || process.exitCode() != 0) {
        ADD_FAILURE() << "release_example failed on " << caseFile.toStdString() << ":\n"
                      << process.readAll().toStdString();
        return QString();
    }
    const QString output = QString::fromUtf8(process.readAll());
    if (!output.contains(QStringLiteral("IERR = 0"))) {
        ADD_FAILURE() << "the run was refused:\n" << output.toStdString();
        return QString();
    }
    const QString plt =
        QDir(workDir).filePath(QFileInfo(caseFile).completeBaseName() + QStringLiteral(".plt"));
    if (!QFileInfo::exists(plt)) ADD_FAILURE() << "no result file " << plt.toStdString();
    return plt;
}

QByteArray BranchNames(const QStringList& names) {
    QByteArray text = "BranchNo Name\n";
    for (int i = 0; i < names.size(); ++i)
        text += QByteArray::number(i) + ' ' + names.at(i).toUtf8() + '\n';
    return text;
}

}  // namespace tessel::test
