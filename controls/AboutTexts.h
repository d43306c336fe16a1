#pragma once
// What the About box says: name, notice, addresses and the credits.
#include <QString>
#include <QStringList>

namespace brisvander {

namespace AboutText {
inline constexpr const char* Title = "Info über Brisvander";
inline constexpr const char* NameAndVersion = "Brisvander Version 1.2";
inline constexpr const char* Copyright = "Copyright © 2026 Quillmade";
inline constexpr const char* WebAddress = "www.quillmade.de";
inline constexpr const char* MailLink = "mailto:brisvander@quillmade.de";
} // namespace AboutText

// The twelve entries of the credits panel, name-and-version line first and last.
QStringList AboutCreditEntries();

} // namespace brisvander
