#include "command_line.h"

namespace tessel {

QString UsageMessage() {
  return QStringLiteral(
      "Filename not specified!\r\nTessel <filename>  [/unit = [1] or 2] \r\n"
      "/unit=1 for SI and /unit=2 for english units!");
}

namespace {

bool IsUnitSwitch(const QString& word) {
  return word.startsWith(QLatin1String("/unit")) && word.indexOf(QLatin1Char('/'), 1) < 0;
}

}  // namespace

CommandLine ParseCommandLine(const QStringList& arguments) {
  CommandLine result;
  const QString joined = arguments.join(QLatin1Char(' '));
  if (joined.trimmed().isEmpty()) return result;
  result.empty = false;

  // The switch is the last blank-separated word; whatever stands before it is
  // the path, blanks and all.
  QString text = joined.trimmed();
  const int lastBlank = text.lastIndexOf(QLatin1Char(' '));
  if (lastBlank > 0) {
    const QString lastWord = text.mid(lastBlank + 1);
    const QString before = text.left(lastBlank).trimmed();
    if (IsUnitSwitch(lastWord) && !before.isEmpty()) {
      result.fileName = before;
      result.UnitSys = lastWord.mid(5).contains(QLatin1Char('2')) ? 2 : 1;
      return result;
    }
  }
  result.fileName = text;
  return result;
}

}  // namespace tessel
