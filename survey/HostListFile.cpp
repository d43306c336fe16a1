#include "HostListFile.h"

#include "HostAddress.h"
#include "HostText.h"

namespace brisvander {

namespace {
std::string_view WithoutComment(std::string_view line) { return line.substr(0, line.find('#')); }
} // namespace

HostList ParseHostList(std::string_view text)
{
    HostList list;
    int number = 0;
    while (!text.empty()) {
        const std::size_t end = text.find('\n');
        const std::string_view line = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
        ++number;
        std::string host = TrimmedHost(WithoutComment(line));
        if (host.empty())
            continue;
        if (IsPlausibleHostText(host))
            list.Hosts.push_back(std::move(host));
        else
            list.Problems.push_back({number, std::move(host)});
    }
    return list;
}

} // namespace brisvander
