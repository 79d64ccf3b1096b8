// The wire log: every command sent to a board and every reply, with the time, on Qt's logging
// category "korvane.wire" (off unless QT_LOGGING_RULES or korvane-cli --verbose turns it on).
#pragma once

#include <QLoggingCategory>
#include <string>
#include <string_view>

namespace korvane::link {

Q_DECLARE_LOGGING_CATEGORY(lcWire)

// Turns the wire log on for this process, as QT_LOGGING_RULES="korvane.wire.debug=true" does.
void EnableWireLog();

// Bytes as a log line shows them: printable ASCII as it is, line ends and the rest escaped.
std::string WireText(std::string_view bytes);

// One line of the log, when the category is on: "HH:MM:SS.mmm PORT -> TEXT" for what was sent,
// "<-" for what came back.
void LogWire(const std::string& port, bool sent, std::string_view bytes);

}  // namespace korvane::link
