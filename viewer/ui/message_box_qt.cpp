#include "message_box_qt.h"

#include "message_box.h"

#include <QApplication>
#include <QMessageBox>

namespace tessel {

void InstallQtMessageHandler() {
    SetMessageHandler([](const MessageRequest& request) {
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        if (request.flags == MB_ICONEXCLAMATION) icon = QMessageBox::Warning;
        if (request.flags == MB_ICONINFORMATION) icon = QMessageBox::Information;
        QMessageBox box(icon, request.title, request.text, QMessageBox::Ok,
                        QApplication::activeWindow());
        box.exec();
        return IDOK;
    });
}

}  // namespace tessel
