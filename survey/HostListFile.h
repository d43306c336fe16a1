#pragma once
// A list of hosts as a file gives it: one host a line, "#" starts a comment,
// blanks around a host do not count. Pure: text in, hosts and problems out.
#include <string>
#include <string_view>
#include <vector>

namespace brisvander {

struct HostListProblem {
    int Line = 0;     // 1-based line number
    std::string Text; // what the line held, comment and blanks around it removed (not escaped)
};

struct HostList {
    std::vector<std::string> Hosts;        // in file order, trimmed as a typed host is
    std::vector<HostListProblem> Problems; // lines that cannot name a host, in file order
};

// Lines end at "\n" ("\r\n" too: the "\r" is a blank). A line that is empty
// once its comment and blanks are gone is skipped silently.
HostList ParseHostList(std::string_view text);

} // namespace brisvander
