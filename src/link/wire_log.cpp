#include "link/wire_log.h"

#include <QTime>
#include <cstdio>

namespace korvane::link {

Q_LOGGING_CATEGORY(lcWire, "korvane.wire", QtWarningMsg)

void EnableWireLog() { QLoggingCategory::setFilterRules(QStringLiteral("korvane.wire.debug=true")); }

std::string WireText(std::string_view bytes) {
  std::string text;
  for (const char c : bytes) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '\r') {
      text += "\\r";
    } else if (c == '\n') {
      text += "\\n";
    } else if (c == '\\') {
      text += "\\\\";
    } else if (u >= 0x20 && u < 0x7F) {
      text += c;
    } else {
      char hex[5];
      std::snprintf(hex, sizeof hex, "\\x%02X", u);
      text += hex;
    }
  }
  return text;
}

void LogWire(const std::string& port, bool sent, std::string_view bytes) {
  if (!lcWire().isDebugEnabled()) return;
  const QString time = QTime::currentTime().toString(QStringLiteral("HH:mm:ss.zzz"));
  qCDebug(lcWire).noquote() << time << QString::fromStdString(port) << (sent ? "->" : "<-")
                            << QString::fromStdString(WireText(bytes));
}

}  // namespace korvane::link
