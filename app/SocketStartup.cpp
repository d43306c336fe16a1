#include "SocketStartup.h"

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisvander {

bool StartSocketLibrary()
{
    const int probe = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0)
        return false;
    close(probe);
    return true;
}

} // namespace brisvander
