#include <gtest/gtest.h>

#include "win_app.h"

TEST(CommandLine, SwitchesCountOnlyAsWholeLastArguments) {
    using C = CCommandLineInfo;
    const struct {
        QStringList args;
        C::ShellCommand command;
        const char* file;
    } cases[] = {
        {{}, C::FileNew, ""},
        {{"net.zef"}, C::FileOpen, "net.zef"},
        {{"-RegServer"}, C::AppRegister, ""},
        {{"/regserver"}, C::AppRegister, ""},
        {{"-REGSERVER"}, C::AppRegister, ""},
        {{"/UnregServer"}, C::AppUnregister, ""},
        {{"-unregserver"}, C::AppUnregister, ""},
        // Not the last argument: a file name, not a switch.
        {{"-RegServer", "net.zef"}, C::FileOpen, "-RegServer"},
        // A path that ends in the switch's name opens as a file.
        {{"/data/scenarios/regserver"}, C::FileOpen, "/data/scenarios/regserver"},
        {{"/home/x/unregserver"}, C::FileOpen, "/home/x/unregserver"},
        {{"-Automation"}, C::AppAutomation, ""},
        {{"/Embedding"}, C::AppAutomation, ""},
        {{"-p", "net.zef"}, C::FilePrint, "net.zef"},
        {{"-RegServerX"}, C::FileOpen, "-RegServerX"},
        // The usage text, whatever else is asked.
        {{"--help"}, C::FileNothing, ""},
        {{"-h"}, C::FileNothing, ""},
        {{"-p", "net.zef", "--help"}, C::FileNothing, ""},
    };
    for (const auto& c : cases) {
        C info;
        info.ParseCommandLine(c.args);
        EXPECT_EQ(info.m_nShellCommand, c.command) << c.args.join(' ').toStdString();
        EXPECT_EQ(info.m_strFileName, QString(c.file)) << c.args.join(' ').toStdString();
        EXPECT_EQ(info.m_bShowHelp, c.command == C::FileNothing) << c.args.join(' ').toStdString();
    }
}

TEST(CommandLine, AutomationStartKeepsNoWindowFlag) {
    CCommandLineInfo info;
    info.ParseCommandLine({"-Automation"});
    EXPECT_TRUE(info.m_bRunAutomated);
    EXPECT_FALSE(info.m_bRunEmbedded);
}
