#include "SurveySource.h"

#include "ServerList.h"

namespace brisvander {

std::vector<std::string> HostsToSurvey(const SurveySource& source)
{
    if (!source.Hosts.empty())
        return source.Hosts;
    std::vector<std::string> hosts;
    for (const std::string_view host : ServerList())
        hosts.emplace_back(host);
    return hosts;
}

} // namespace brisvander
