// Registration of the automation service: the activation file that
// "-RegServer" writes and "-UnregServer" removes.
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include "automation.h"

namespace {

// Points XDG_DATA_HOME (and HOME) at a scratch folder while alive.
class ScratchHome : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        savedData = qgetenv("XDG_DATA_HOME");
        savedHome = qgetenv("HOME");
        hadData = qEnvironmentVariableIsSet("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", dir.filePath(QStringLiteral("data")).toUtf8());
        qputenv("HOME", dir.filePath(QStringLiteral("home")).toUtf8());
    }
    void TearDown() override {
        if (hadData)
            qputenv("XDG_DATA_HOME", savedData);
        else
            qunsetenv("XDG_DATA_HOME");
        qputenv("HOME", savedHome);
    }
    QString Services() const { return dir.filePath(QStringLiteral("data/dbus-1/services")); }
    static QString Read(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QTemporaryDir dir;
    QByteArray savedData, savedHome;
    bool hadData = false;
};

TEST_F(ScratchHome, register_writes_the_activation_file_and_unregister_removes_only_it) {
    const QString file = Services() + QStringLiteral("/com.holvik.Torval.ZefDBSink.service");
    EXPECT_EQ(ActivationFilePath(), file);
    bool run = true;
    EXPECT_EQ(
        InitComServer(ComServerAction::Register, QStringLiteral("/opt/orvane/bin/Orvane"), run), 0);
    EXPECT_FALSE(run);
    EXPECT_EQ(Read(file), QStringLiteral("[D-BUS Service]\n"
                                         "Name=com.holvik.Torval.ZefDBSink\n"
                                         "Exec=/opt/orvane/bin/Orvane -Automation\n"));
    // Another program's service file in the same folder.
    QFile other(Services() + QStringLiteral("/org.example.Other.service"));
    ASSERT_TRUE(other.open(QIODevice::WriteOnly));
    other.write("[D-BUS Service]\nName=org.example.Other\nExec=/bin/true\n");
    other.close();

    run = true;
    EXPECT_EQ(InitComServer(ComServerAction::Unregister, QString(), run), 0);
    EXPECT_FALSE(run);
    EXPECT_FALSE(QFile::exists(file));
    EXPECT_TRUE(QFile::exists(other.fileName()));
    // Again, with nothing registered: quietly successful.
    EXPECT_EQ(InitComServer(ComServerAction::Unregister, QString(), run), 0);
    EXPECT_TRUE(QFile::exists(other.fileName()));
}

TEST_F(ScratchHome, program_paths_the_bus_would_split_are_quoted) {
    struct Case {
        const char* path;
        const char* exec;
    };
    const Case cases[] = {
        {"/usr/bin/Orvane", "Exec=/usr/bin/Orvane -Automation"},
        {"/home/ann/My Programs/Orvane", "Exec=\"/home/ann/My Programs/Orvane\" -Automation"},
        {"/tmp/a\"b$c/Orvane", "Exec=\"/tmp/a\\\"b\\$c/Orvane\" -Automation"},
    };
    for (const Case& c : cases)
        EXPECT_TRUE(
            ActivationFileText(QString::fromUtf8(c.path)).contains(QString::fromUtf8(c.exec)))
            << c.path << "\n"
            << ActivationFileText(QString::fromUtf8(c.path)).toStdString();
}

TEST_F(ScratchHome, without_an_absolute_data_home_the_file_goes_below_home) {
    qputenv("XDG_DATA_HOME", "relative/data");
    EXPECT_EQ(ActivationFilePath(),
              dir.filePath(QStringLiteral(
                  "home/.local/share/dbus-1/services/com.holvik.Torval.ZefDBSink.service")));
    qunsetenv("XDG_DATA_HOME");
    EXPECT_TRUE(
        ActivationFilePath().startsWith(dir.filePath(QStringLiteral("home/.local/share/"))));
}

TEST_F(ScratchHome, a_folder_that_cannot_be_made_fails_the_registration) {
    // A plain file where the services folder should be.
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("data/dbus-1"))));
    QFile blocker(Services());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    bool run = true;
    EXPECT_EQ(InitComServer(ComServerAction::Register, QStringLiteral("/usr/bin/Orvane"), run), 1);
    EXPECT_FALSE(run);
}

}  // namespace
