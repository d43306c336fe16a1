#include "CliOutput.h"

#include "CliExitStatus.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace brisvander {

void StreamCliOutput::Result(std::string_view text)
{
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), m_result) != text.size() && m_lostErrno == 0)
        m_lostErrno = errno != 0 ? errno : EIO;
}

void StreamCliOutput::Message(std::string_view text)
{
    std::fwrite(text.data(), 1, text.size(), m_messages);
    std::fflush(m_messages);
}

bool StreamCliOutput::Flush()
{
    errno = 0;
    if ((std::fflush(m_result) != 0 || std::ferror(m_result)) && m_lostErrno == 0)
        m_lostErrno = errno != 0 ? errno : EIO;
    return m_lostErrno == 0;
}

int StreamCliOutput::Finish(int status)
{
    if (Flush())
        return status;
    Message(std::string("brisvander-cli: the result could not be written to standard output: ") +
            std::strerror(m_lostErrno) + "\n");
    return ExitOutputLost;
}

void KeepStandardDescriptorsTaken()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (fcntl(fd, F_GETFD) != -1 || errno != EBADF)
            continue;
        // The lowest free number is this one: the lower ones are open by now.
        const int opened = open("/dev/null", (fd == 0 ? O_WRONLY : O_RDONLY));
        if (opened != fd && opened >= 0)
            close(opened);
    }
}

} // namespace brisvander
