// The automation service of Orvane on the session bus: registration through
// a D-Bus service activation file, and the start and end of the service.
#pragma once

#include <QString>

// What the command line asked of the automation module.
enum class ComServerAction { Run, Register, Unregister };

// $XDG_DATA_HOME/dbus-1/services/<service>.service (XDG_DATA_HOME unset or
// not absolute: ~/.local/share).
QString ActivationFilePath();
// The activation file's text: the sink's bus name and `programPath` started
// with the automation switch.
QString ActivationFileText(const QString& programPath);
// Writes the activation file (creating its folders); false with a reason.
bool RegisterAutomationServer(const QString& programPath, QString* error = nullptr);
// Removes the activation file; a missing file is success.
bool UnregisterAutomationServer(QString* error = nullptr);

// The automation module's start. Register / Unregister write or remove the
// activation file, clear `run` and return 0 on success, 1 on failure (the
// reason goes to standard error). Run puts the sink on the bus under its
// well-known name, so that a database program reaches this instance, and
// returns 0; a missing bus or a name another instance holds is no failure.
int InitComServer(ComServerAction action, const QString& programPath, bool& run);
// Gives the well-known name back (the sink itself goes with
// CZefDBMgr::StopDatabaseManager).
void TermComServer();
// Whether this instance holds the sink's well-known name.
bool OwnsSinkService();
