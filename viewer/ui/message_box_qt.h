// The program's message-box handler: a QMessageBox with the icon, title and
// OK button the request asks for.
#pragma once

namespace tessel {

void InstallQtMessageHandler();

}  // namespace tessel
