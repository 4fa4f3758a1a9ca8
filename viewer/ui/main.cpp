// Tessel: plots one result file of a discharge or near-field run.
//   Tessel <file.plt|file.dbs> [/unit=1|/unit=2]
#include "main_window.h"
#include "message_box_qt.h"

#include <QApplication>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    // Asked for its usage on a terminal, it answers there, without a window.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(
                "usage: Tessel FILE [/unit=1|/unit=2]\n"
                "Plots a result file of Orvane: the time series of a discharge run (.plt)\n"
                "or the plume result file of a near-field run (.dbs).\n"
                "  /unit=1  SI units (the default)\n"
                "  /unit=2  English units\n",
                stdout);
            return 0;
        }
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessel"));
    tessel::InstallQtMessageHandler();
    tessel::frmMain window;
    if (!window.Start(QApplication::arguments().mid(1))) return 1;
    window.show();
    return QApplication::exec();
}
