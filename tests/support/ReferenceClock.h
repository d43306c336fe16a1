#pragma once
// Clock readings and timestamp shifts computed by plain integer arithmetic,
// independent of the conversions under test, so a fault there cannot hide
// in the tests' own expectations.
#include "NtpTimestamp.h"

#include <ctime>

struct msghdr;

namespace brisvander::testsupport {

NtpTimestamp ReferenceFromTimespec(const timespec& realtime);
// The real clock (CLOCK_REALTIME) plus a signed offset.
NtpTimestamp RealClockPlus(double offsetSeconds);
// ts moved by a signed number of seconds, rounded to the nearest 2^-32 s, modulo 2^64.
NtpTimestamp ShiftedBy(const NtpTimestamp& ts, double seconds);
// The kernel's arrival stamp (SO_TIMESTAMPNS) of a received message, else the real clock now.
NtpTimestamp ArrivalOf(msghdr& message);

} // namespace brisvander::testsupport
