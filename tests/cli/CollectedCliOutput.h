#pragma once
// What an in-process run of the command-line program wrote, kept for a test
// to read.
#include "CliOutput.h"

#include <string>
#include <string_view>

namespace brisvander::testsupport {

struct CollectedCliOutput final : CliOutput {
    std::string out; // what went to standard output
    std::string err; // what went to standard error
    void Result(std::string_view text) override { out += text; }
    void Message(std::string_view text) override { err += text; }
};

} // namespace brisvander::testsupport
