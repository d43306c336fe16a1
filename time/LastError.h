#pragma once
// The calling thread's last-error value: failures of the time core leave
// their reason here (numbers in ErrorCodes.h).
#include <cstdint>

namespace brisvander {

std::uint32_t GetLastError();
void SetLastError(std::uint32_t error);

} // namespace brisvander
