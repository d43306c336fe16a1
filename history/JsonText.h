#pragma once
// A JSON object as one line that is also safe on a terminal. Within the room.
#include <QJsonObject>

#include <string>

namespace brisvander {

// The object in compact form with "\n" after it. QJsonDocument escapes C0
// controls itself; DEL and the C1 controls, which it leaves as they are,
// are written as \u escapes too, which any JSON reader reads back the same.
std::string CompactJsonLine(const QJsonObject& object);

} // namespace brisvander
