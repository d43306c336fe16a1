#pragma once
// Where the program keeps its settings and what it calls them. Shared by
// the desktop program and the command-line program.

namespace brisvander {

namespace Settings {
inline constexpr const char* Organisation = "Quillmade";
inline constexpr const char* Application = "Brisvander";
inline constexpr const char* SettingsSection = "Settings";
inline constexpr const char* KeyHost = "Host";
inline constexpr const char* KeyAutostart = "Autostart";
inline constexpr const char* KeyNts = "NTS"; // authenticated time: the NtsSetting values below
// Values of KeyNts; any other reads as off.
inline constexpr int NtsSettingOff = 0;
inline constexpr int NtsSettingAlways = 1;
inline constexpr int NtsSettingWhenOffered = 2;
inline constexpr const char* KeyVersion = "Version";
} // namespace Settings

// Written under "Version" at every start.
inline constexpr const char* g_strVersion = "1.1";

} // namespace brisvander
