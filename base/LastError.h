#pragma once
// The calling thread's last-error value: failures of the time core leave
// their reason here (numbers in ErrorCodes.h).
#include <cstdint>

namespace brisvander {

std::uint32_t GetLastError();
void SetLastError(std::uint32_t error);
// Leaves the number for the C library error `err` (errno when not given) and
// returns false, so that a failed system call can end with `return FailWithErrno();`.
bool FailWithErrno();
bool FailWithErrno(int err);

} // namespace brisvander
