#include "ClockRightHelper.h"

#include "CapabilityClockControl.h"
#include "LastError.h"

#include <cerrno>
#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <initializer_list>
#include <mutex>
#include <string>
#include <sys/capability.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/timex.h>
#include <sys/wait.h>
#include <unistd.h>

namespace brisvander {

namespace {
// One message each way; both ends are this very program, so the layout is shared.
struct Request {
    std::uint8_t Kind = 0;
    std::int64_t Seconds = 0;
    std::int64_t Nanoseconds = 0;
};
struct Answer {
    std::int32_t Errno = 0;
    std::uint8_t RightInEffect = 0;
};
constexpr std::uint8_t DropForGood = 0xFF;

struct HelperLink {
    std::mutex Mutex;
    int Socket = -1;  // guarded by Mutex
    pid_t Process = 0; // guarded by Mutex
    bool HeldAtStart = false; // written once, before any other thread exists
};
HelperLink& Link()
{
    static HelperLink link;
    return link;
}

// Sets or clears CAP_SYS_TIME in the given sets of the calling thread; 0 or the errno.
int SetClockRight(std::initializer_list<cap_flag_t> sets, cap_flag_value_t value)
{
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return errno;
    const cap_value_t right = CAP_SYS_TIME;
    bool done = true;
    for (const cap_flag_t set : sets)
        done = done && cap_set_flag(caps, set, 1, &right, value) == 0;
    done = done && cap_set_proc(caps) == 0;
    const int err = done ? 0 : errno;
    cap_free(caps);
    return err;
}

// The "Threads:" line of /proc/self/status; -1 when it cannot be read.
int ThreadCount()
{
    const int fd = open("/proc/self/status", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    std::string status;
    char buffer[1024];
    for (ssize_t n; (n = read(fd, buffer, sizeof buffer)) != 0;) {
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            break;
        status.append(buffer, static_cast<std::size_t>(n));
    }
    close(fd);
    const std::size_t at = status.find("\nThreads:");
    return at == std::string::npos ? -1 : std::atoi(status.c_str() + at + 9);
}

int StepRealtime(const Request& request)
{
    timex adjustment{};
    adjustment.modes = ADJ_SETOFFSET | ADJ_NANO;
    adjustment.time.tv_sec = static_cast<time_t>(request.Seconds);
    // With ADJ_NANO the field named tv_usec carries nanoseconds.
    adjustment.time.tv_usec = static_cast<suseconds_t>(request.Nanoseconds);
    return clock_adjtime(CLOCK_REALTIME, &adjustment) >= 0 ? 0 : errno;
}

void GiveUpEveryCapability()
{
    cap_t none = cap_init();
    if (none != nullptr) {
        cap_set_proc(none);
        cap_free(none);
    }
}

// The helper's whole life: it keeps nothing of the program but its socket,
// and of its capabilities only CAP_SYS_TIME, raised only between Raise and
// Lower. End of file (the program went away) ends it like DropForGood.
[[noreturn]] void ServeClockRight(int socket)
{
    close_range(0, static_cast<unsigned>(socket) - 1, 0);
    close_range(static_cast<unsigned>(socket) + 1, ~0U, 0);
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
    cap_t only = cap_init();
    const cap_value_t right = CAP_SYS_TIME;
    if (only == nullptr || cap_set_flag(only, CAP_PERMITTED, 1, &right, CAP_SET) != 0 || cap_set_proc(only) != 0)
        _exit(1);
    cap_free(only);
    const Answer ready;
    send(socket, &ready, sizeof ready, MSG_NOSIGNAL);

    bool stepped = false;
    for (;;) {
        Request request;
        const ssize_t n = recv(socket, &request, sizeof request, 0);
        if (n < 0 && errno == EINTR)
            continue;
        if (n != static_cast<ssize_t>(sizeof request) || request.Kind == DropForGood)
            break;
        Answer answer;
        switch (static_cast<ClockHelperRequest>(request.Kind)) {
        case ClockHelperRequest::Raise: answer.Errno = SetClockRight({CAP_EFFECTIVE}, CAP_SET); break;
        case ClockHelperRequest::Lower: answer.Errno = SetClockRight({CAP_EFFECTIVE}, CAP_CLEAR); break;
        case ClockHelperRequest::Step:
            answer.Errno = stepped ? EALREADY : StepRealtime(request);
            stepped = true;
            break;
        default: answer.Errno = EINVAL; break;
        }
        answer.RightInEffect = ThreadHoldsClockRight(CapabilitySet::Effective) ? 1 : 0;
        send(socket, &answer, sizeof answer, MSG_NOSIGNAL);
    }
    GiveUpEveryCapability();
    _exit(0);
}

// Above 0 to 2, so that a program started with one of them closed does not
// find its output on the helper's socket.
int AboveStandardDescriptors(int fd)
{
    if (fd > 2)
        return fd;
    const int moved = fcntl(fd, F_DUPFD_CLOEXEC, 3);
    close(fd);
    return moved;
}

// One whole answer; false with errno set (EPIPE: the helper is gone) otherwise.
bool ReceiveAnswer(int socket, Answer& answer)
{
    ssize_t n = 0;
    while ((n = recv(socket, &answer, sizeof answer, 0)) < 0 && errno == EINTR) {
    }
    if (n >= 0 && n != static_cast<ssize_t>(sizeof answer))
        errno = EPIPE;
    return n == static_cast<ssize_t>(sizeof answer);
}

// Forks the helper and waits until it holds the right permitted only; false
// (no helper) when that fails.
bool StartHelper()
{
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
        return false;
    const int ours = AboveStandardDescriptors(pair[0]);
    const int theirs = AboveStandardDescriptors(pair[1]);
    const pid_t child = ours >= 0 && theirs >= 0 ? fork() : -1;
    if (child == 0)
        ServeClockRight(theirs);
    if (theirs >= 0)
        close(theirs);
    Answer ready;
    if (child < 0 || !ReceiveAnswer(ours, ready)) {
        if (ours >= 0)
            close(ours);
        if (child > 0)
            waitpid(child, nullptr, 0);
        return false;
    }
    HelperLink& link = Link();
    std::lock_guard lock(link.Mutex);
    link.Socket = ours;
    link.Process = child;
    return true;
}

// Every set of this (single-threaded) process. The bounding set too where
// CAP_SETPCAP allows it (root), so that no program it starts gets the right
// back; without CAP_SETPCAP the bounding set stays, as it grants nothing.
int DropFromEverySet()
{
    prctl(PR_CAPBSET_DROP, CAP_SYS_TIME, 0, 0, 0);
    // Clearing the permitted set clears the ambient one with it.
    return SetClockRight({CAP_EFFECTIVE, CAP_PERMITTED, CAP_INHERITABLE}, CAP_CLEAR);
}
} // namespace

ClockRightStart SeparateClockRight(ClockRightUse use)
{
    if (!ThreadHoldsClockRight(CapabilitySet::Permitted))
        return ClockRightStart::NeverHeld;
    Link().HeldAtStart = true;
    // Only a process with one thread changes all its threads' sets at once.
    if (ThreadCount() != 1)
        return ClockRightStart::NotSingleThreaded;
    const bool helper = use == ClockRightUse::OneSetting && StartHelper();
    if (const int err = DropFromEverySet(); err != 0) {
        EndClockHelper();
        FailWithErrno(err);
        return ClockRightStart::Failed;
    }
    return helper ? ClockRightStart::KeptByHelper : ClockRightStart::GivenUp;
}

bool ClockHelperRunning()
{
    HelperLink& link = Link();
    std::lock_guard lock(link.Mutex);
    return link.Socket >= 0;
}

ClockHelperAnswer AskClockHelper(ClockHelperRequest kind, const ClockStep& step)
{
    HelperLink& link = Link();
    std::lock_guard lock(link.Mutex);
    ClockHelperAnswer answer;
    answer.Errno = EPERM;
    if (link.Socket < 0)
        return answer;
    Request request;
    request.Kind = static_cast<std::uint8_t>(kind);
    request.Seconds = step.Seconds;
    request.Nanoseconds = step.Nanoseconds;
    if (send(link.Socket, &request, sizeof request, MSG_NOSIGNAL) != static_cast<ssize_t>(sizeof request)) {
        answer.Errno = errno;
        return answer;
    }
    Answer received;
    if (!ReceiveAnswer(link.Socket, received)) {
        answer.Errno = errno;
        return answer;
    }
    answer.Reached = true;
    answer.Errno = received.Errno;
    answer.RightInEffect = received.RightInEffect != 0;
    return answer;
}

bool EndClockHelper()
{
    HelperLink& link = Link();
    std::lock_guard lock(link.Mutex);
    if (link.Socket < 0)
        return true;
    Request request;
    request.Kind = DropForGood;
    send(link.Socket, &request, sizeof request, MSG_NOSIGNAL);
    // The helper's end closes only as it exits, after it gave up every capability.
    char ignored = 0;
    for (ssize_t n; (n = recv(link.Socket, &ignored, sizeof ignored, 0)) != 0;) {
        if (n < 0 && errno != EINTR)
            break;
    }
    close(link.Socket);
    link.Socket = -1;
    while (waitpid(link.Process, nullptr, 0) < 0 && errno == EINTR) {
    }
    link.Process = 0;
    return true;
}

bool ClockRightOutOfReach()
{
    return !Link().HeldAtStart && (geteuid() == 0 || prctl(PR_CAPBSET_READ, CAP_SYS_TIME, 0, 0, 0) != 1);
}

pid_t ClockHelperProcess()
{
    HelperLink& link = Link();
    std::lock_guard lock(link.Mutex);
    return link.Process;
}

bool ThreadHoldsClockRight(CapabilitySet set)
{
    const cap_flag_t flag = set == CapabilitySet::Effective   ? CAP_EFFECTIVE
                            : set == CapabilitySet::Permitted ? CAP_PERMITTED
                                                              : CAP_INHERITABLE;
    cap_t caps = cap_get_proc();
    if (caps == nullptr)
        return false;
    cap_flag_value_t value = CAP_CLEAR;
    cap_get_flag(caps, CAP_SYS_TIME, flag, &value);
    cap_free(caps);
    return value == CAP_SET;
}

} // namespace brisvander
