// The right to set the clock really held: in a user namespace of its own a
// child process holds every capability of that namespace, CAP_SYS_TIME among
// them, while the kernel still refuses it the machine's clock. There the
// start of a program, the clock helper and the seam's raise, step, lower and
// drop for good are checked against /proc.
#include "CapabilityClockControl.h"
#include "ClockRightHelper.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <sched.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

using namespace brisvander;

namespace {
constexpr int CAP_SYS_TIME_BIT = 25;

// Bit 25 of the line Cap<set> of /proc/<pid>/status.
bool HoldsClockRight(pid_t pid, const std::string& set)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    for (std::string line; std::getline(status, line);) {
        if (line.rfind("Cap" + set + ":", 0) == 0)
            return (std::stoull(line.substr(set.size() + 4), nullptr, 16) >> CAP_SYS_TIME_BIT & 1) != 0;
    }
    return false;
}

// Runs `body` in a child in a user namespace of its own; what it found
// wrong, one line each, or "skip: " and why it could not run.
std::string InUserNamespaceOfItsOwn(std::string (*body)())
{
    int report[2];
    if (pipe(report) != 0)
        return "no pipe\n";
    const pid_t child = fork();
    if (child == 0) {
        close(report[0]);
        std::string found;
        if (unshare(CLONE_NEWUSER) != 0) {
            found = "skip: user namespaces are off here";
        } else if (std::ifstream("/proc/self/uid_map").peek() != std::ifstream::traits_type::eof()) {
            // A fresh namespace maps no one; the initial one maps everyone.
            found = "not in a user namespace of its own: nothing run\n";
        } else {
            found = body();
        }
        (void)!write(report[1], found.data(), found.size());
        _exit(0);
    }
    close(report[1]);
    std::string found;
    char buffer[512];
    for (ssize_t n; (n = read(report[0], buffer, sizeof buffer)) > 0;)
        found.append(buffer, static_cast<std::size_t>(n));
    close(report[0]);
    waitpid(child, nullptr, 0);
    return found;
}

std::string SeparateThenRaiseStepLowerDrop()
{
    std::string wrong;
    const auto expect = [&wrong](bool holds, const std::string& what) {
        if (!holds)
            wrong += what + "\n";
    };
    expect(HoldsClockRight(getpid(), "Eff"), "CAP_SYS_TIME not in effect to start with");
    expect(SeparateClockRight(ClockRightUse::OneSetting) == ClockRightStart::KeptByHelper, "no helper keeps it");
    for (const char* set : {"Eff", "Prm", "Inh", "Amb", "Bnd"})
        expect(!HoldsClockRight(getpid(), set), std::string("the program still holds it in Cap") + set);
    const pid_t helper = ClockHelperProcess();
    expect(helper > 0 && HoldsClockRight(helper, "Prm") && !HoldsClockRight(helper, "Eff"),
           "the helper does not hold it permitted and out of effect");

    ClockControl& clock = CapabilityClockControl();
    expect(ProcessMayRaiseClockRight(), "the capability path is closed");
    const Expected<ClockRightRaise> raised = clock.RaiseClockRight();
    expect(raised.Ok() && raised.Value() == ClockRightRaise::Raised && HoldsClockRight(helper, "Eff"),
           "the raise does not put it into effect");
    // A zero step: even a kernel that took it would leave the clock as it is.
    const std::optional<Failure> step = clock.StepClock(ClockStep{0, 0});
    expect(step && step->Kind == FailureKind::ClockKernelRefused, "the kernel's refusal is not told");
    expect(!clock.LowerClockRight() && !HoldsClockRight(helper, "Eff"), "the lower leaves it in effect");
    expect(!HoldsClockRight(getpid(), "Eff"), "the program holds it after the step");
    expect(!clock.DropClockRightForGood() && !ProcessMayRaiseClockRight(), "the drop for good fails");
    expect(kill(helper, 0) != 0, "the helper outlives the drop for good");
    return wrong;
}

TEST(ClockRightHelper, OnlyTheHelperHoldsTheRightAndOnlyBetweenRaiseAndLower)
{
    const std::string wrong = InUserNamespaceOfItsOwn(SeparateThenRaiseStepLowerDrop);
    if (wrong.rfind("skip: ", 0) == 0)
        GTEST_SKIP() << wrong.substr(6);
    EXPECT_EQ(wrong, "");
}

} // namespace
