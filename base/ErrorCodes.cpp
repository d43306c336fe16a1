#include "ErrorCodes.h"

#include <cerrno>
#include <netdb.h>

namespace brisvander {

std::uint32_t ErrorFromErrno(int err)
{
    switch (err) {
    case 0: return ErrorCode::Success;
    case EACCES:
    case EPERM: return ErrorCode::AccessDenied;
    case EMFILE:
    case ENFILE: return ErrorCode::TooManyOpenFiles;
    case ENETDOWN: return ErrorCode::NetworkDown;
    case ENETUNREACH: return ErrorCode::NetworkUnreachable;
    case ECONNREFUSED:
    case ECONNRESET: return ErrorCode::ConnectionReset;
    case ENOBUFS:
    case ENOMEM: return ErrorCode::NoBufferSpace;
    case ETIMEDOUT: return ErrorCode::TimedOut;
    case EHOSTUNREACH:
    case EHOSTDOWN: return ErrorCode::HostUnreachable;
    case EAFNOSUPPORT: return ErrorCode::FamilyNotSupported;
    case EADDRNOTAVAIL: return ErrorCode::AddressNotAvailable;
    case EINVAL: return ErrorCode::InvalidArgument;
    case EINTR: return ErrorCode::Interrupted;
    case EAGAIN: return ErrorCode::WouldBlock;
    case EMSGSIZE: return ErrorCode::MessageTooLong;
    default: return static_cast<std::uint32_t>(err);
    }
}

std::uint32_t ErrorFromResolver(int gaiResult, int err)
{
    switch (gaiResult) {
    case 0: return ErrorCode::Success;
    case EAI_NONAME: return ErrorCode::HostNotFound;
    case EAI_AGAIN: return ErrorCode::TryAgain;
    case EAI_FAIL: return ErrorCode::NoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA: return ErrorCode::NoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY: return ErrorCode::NoData;
#endif
    case EAI_MEMORY: return ErrorCode::NoBufferSpace;
    case EAI_SYSTEM: return err != 0 ? ErrorFromErrno(err) : ErrorCode::NoRecovery;
    default: return ErrorCode::NoRecovery;
    }
}

} // namespace brisvander
