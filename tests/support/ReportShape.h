#pragma once
// The shape of a successful report as both programs show it, with its
// figures read back, for tests that cannot know the stamps in advance.
#include <optional>
#include <string>

namespace brisvander::testsupport {

struct ParsedReport {
    bool Sync = false;
    double Delay = 0.0;
    double Offset = 0.0;
    std::string Outcome; // text after the offset line
};

// The report of a successful query for `host`, or nothing when the text has
// another shape.
std::optional<ParsedReport> ParseSuccessReport(const std::string& text, const std::string& host);

} // namespace brisvander::testsupport
