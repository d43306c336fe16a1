#include "LastError.h"

#include "ErrorCodes.h"

#include <cerrno>

namespace brisvander {

namespace {
thread_local std::uint32_t t_lastError = 0;
}

std::uint32_t GetLastError() { return t_lastError; }

void SetLastError(std::uint32_t error) { t_lastError = error; }

bool FailWithErrno() { return FailWithErrno(errno); }

bool FailWithErrno(int err)
{
    SetLastError(ErrorFromErrno(err));
    return false;
}

} // namespace brisvander
