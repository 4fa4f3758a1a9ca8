#pragma once
#include <QString>

// The program's string table: every message, caption and command prompt by
// its identifier. A prompt reads "status bar text\ntool tip".
QString AfxLoadString(int id);
bool AfxHasString(int id);

// Replaces "%1" (or the message-table form "%1!s!") by the argument.
QString AfxFormatString1(int id, const QString& arg);
QString AfxFormatText1(QString text, const QString& arg);
QString AfxFormatString2(int id, const QString& arg1, const QString& arg2);
