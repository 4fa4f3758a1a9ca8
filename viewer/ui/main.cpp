// Tessel: plots one result file of a discharge or near-field run.
//   Tessel <file.plt|file.dbs> [/unit=1|/unit=2]
#include "main_window.h"
#include "message_box_qt.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tessel"));
    tessel::InstallQtMessageHandler();
    tessel::frmMain window;
    if (!window.Start(QApplication::arguments().mid(1))) return 1;
    window.show();
    return QApplication::exec();
}
