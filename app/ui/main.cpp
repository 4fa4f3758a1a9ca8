// Orvane: leak discharge from subsea pipeline networks.
#include <QApplication>

#include "zef_app.h"

int main(int argc, char** argv) {
    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Orvane"));
    CZefApp theApp;
    if (!theApp.InitInstance()) return theApp.ExitInstance();
    const int status = qapp.exec();
    theApp.ExitInstance();
    return status;
}
