#pragma once
// The public NTP servers offered in the server list, in the order shown:
// hosts under country domains first, then hosts under generic domains.
#include <span>
#include <string_view>

namespace brisvander {

std::span<const std::string_view> ServerList();

} // namespace brisvander
