// Setting the clock through the seam: the order enable, set, disable, every
// way it can fail, the system without a rights model, and the time asked for.
#include "FakeSntpServer.h"
#include "LastError.h"
#include "RecordingClockApi.h"
#include "ReferenceClock.h"
#include "SntpClient.h"

#include <gtest/gtest.h>

namespace {
using testsupport::RecordingClockApi;
using Call = RecordingClockApi::Call;
using Calls = std::vector<Call>;

// Not on a millisecond: the clock is asked for the full resolution.
const NtpTimestamp kNewTime(0xC5714570C9FBE7FFull);

class ClockPrivilege : public ::testing::Test {
protected:
    BOOL SetClock(const NtpTimestamp& time = kNewTime)
    {
        SntpClient client(clock);
        const BOOL result = client.SetSystemClock(time);
        enabledAfter = client.PrivilegeEnabled;
        return result;
    }
    void ExpectTokensBalanced() const
    {
        EXPECT_EQ(clock.TokensLeftOpen(), 0);
        EXPECT_EQ(clock.BadCloses(), 0);
    }

    RecordingClockApi clock;
    BOOL enabledAfter = FALSE;
};

TEST_F(ClockPrivilege, EnablesSetsAndDisablesInThatOrder)
{
    EXPECT_TRUE(SetClock());
    EXPECT_EQ(clock.Calls(), (Calls{Call::OpenToken, Call::LookupPrivilege, Call::AdjustPrivileges, Call::SetTime,
                                    Call::AdjustPrivileges, Call::CloseToken}));
    const auto adjusts = clock.Of(Call::AdjustPrivileges);
    const ProcessTokenHandle token = clock.Of(Call::OpenToken)[0].token;
    ASSERT_EQ(adjusts.size(), 2u);
    EXPECT_TRUE(adjusts[0].enable);
    EXPECT_FALSE(adjusts[1].enable);
    for (const auto& a : adjusts) {
        EXPECT_EQ(a.token, token);
        EXPECT_EQ(a.privilegeCount, 1u);
        EXPECT_EQ(a.luid, clock.privilegeLuid);
    }
    EXPECT_EQ(clock.Of(Call::SetTime)[0].time, kNewTime);
    EXPECT_FALSE(clock.privilegeHeld);
    ExpectTokensBalanced();
}

TEST_F(ClockPrivilege, ATokenThatCannotBeOpenedStopsEverything)
{
    clock.openResult = FALSE;
    clock.openError = 10013;
    EXPECT_FALSE(SetClock());
    EXPECT_EQ(clock.Calls(), (Calls{Call::OpenToken}));
    ExpectTokensBalanced();
}

TEST_F(ClockPrivilege, AFailedLookupSetsNothingAndHasNothingToUndo)
{
    clock.lookupResult = FALSE;
    EXPECT_FALSE(SetClock());
    EXPECT_EQ(clock.Calls(), (Calls{Call::OpenToken, Call::LookupPrivilege, Call::CloseToken}));
    EXPECT_FALSE(enabledAfter);
    ExpectTokensBalanced();
}

TEST_F(ClockPrivilege, AFailedEnableSetsNothingButStillClearsThePrivilege)
{
    clock.enableResult = FALSE;
    EXPECT_FALSE(SetClock());
    EXPECT_EQ(clock.Calls(), (Calls{Call::OpenToken, Call::LookupPrivilege, Call::AdjustPrivileges,
                                    Call::AdjustPrivileges, Call::CloseToken}));
    const auto adjusts = clock.Of(Call::AdjustPrivileges);
    EXPECT_TRUE(adjusts[0].enable);
    EXPECT_FALSE(adjusts[1].enable);
    EXPECT_EQ(adjusts[1].privilegeCount, 1u);
    EXPECT_TRUE(enabledAfter);
    ExpectTokensBalanced();
}

TEST_F(ClockPrivilege, AClockThatRefusesTheTimeStillEndsDisabledAndFalse)
{
    clock.setResult = FALSE;
    EXPECT_FALSE(SetClock());
    EXPECT_EQ(clock.Calls(), (Calls{Call::OpenToken, Call::LookupPrivilege, Call::AdjustPrivileges, Call::SetTime,
                                    Call::AdjustPrivileges, Call::CloseToken}));
    EXPECT_FALSE(clock.Of(Call::AdjustPrivileges)[1].enable);
    EXPECT_FALSE(clock.privilegeHeld);
    ExpectTokensBalanced();
}

TEST_F(ClockPrivilege, AFailedDisableDoesNotUndoASuccessfulSet)
{
    clock.disableResult = FALSE;
    EXPECT_TRUE(SetClock());
    EXPECT_EQ(clock.Of(Call::SetTime).size(), 1u);
    ExpectTokensBalanced();
}

TEST_F(ClockPrivilege, WithoutARightsModelTheClockIsSetDirectly)
{
    clock.openResult = FALSE;
    clock.openError = 120;
    EXPECT_TRUE(SetClock());
    EXPECT_EQ(clock.Calls(), (Calls{Call::OpenToken, Call::SetTime}));
    EXPECT_EQ(clock.Of(Call::SetTime)[0].lastErrorOnEntry, 0u);
    EXPECT_FALSE(enabledAfter);

    RecordingClockApi refusing;
    refusing.openResult = FALSE;
    refusing.openError = 120;
    refusing.setResult = FALSE;
    SntpClient client(refusing);
    EXPECT_FALSE(client.SetSystemClock(kNewTime));
    EXPECT_EQ(refusing.Calls(), (Calls{Call::OpenToken, Call::SetTime}));
}

TEST_F(ClockPrivilege, ARightHeldBeforehandIsDroppedAfterwards)
{
    clock.privilegeHeld = true;
    EXPECT_TRUE(SetClock());
    EXPECT_FALSE(clock.privilegeHeld);
}

TEST_F(ClockPrivilege, EachSettingOpensAndClosesItsOwnToken)
{
    SntpClient client(clock);
    EXPECT_TRUE(client.SetSystemClock(kNewTime));
    EXPECT_TRUE(client.SetSystemClock(kNewTime.AddSeconds(1.0)));
    const auto opens = clock.Of(Call::OpenToken);
    ASSERT_EQ(opens.size(), 2u);
    EXPECT_NE(opens[0].token, opens[1].token);
    EXPECT_EQ(clock.Of(Call::AdjustPrivileges)[2].token, opens[1].token);
    ExpectTokensBalanced();
}

TEST_F(ClockPrivilege, ATokenLeftOpenIsClosedWithTheClient)
{
    {
        SntpClient client(clock);
        EXPECT_TRUE(client.EnableClockPrivilege());
        EXPECT_EQ(clock.TokensLeftOpen(), 1);
    }
    ExpectTokensBalanced();
}

// The whole road of a synchronisation: a server 2.5 s ahead, then the clock
// asked for the time of the call plus the measured offset.
TEST(ClockFromQuery, AServerTwoAndAHalfSecondsAheadMovesTheClockByThat)
{
    testsupport::FakeSntpServer server;
    ASSERT_NE(server.Port(), 0);
    server.SetClockOffset(2.5);
    RecordingClockApi clock;
    SntpClient client(clock);
    SntpResult result;
    ASSERT_TRUE(client.QueryServer("127.0.0.1", result, server.Port())) << "error " << GetLastError();
    EXPECT_TRUE(client.SetSystemClock(NtpTimestamp::Now().AddSeconds(result.ClockOffset)));

    const auto sets = clock.Of(Call::SetTime);
    ASSERT_EQ(sets.size(), 1u);
    // The measurement itself is as good as loopback scheduling allows ...
    EXPECT_NEAR(result.ClockOffset, 2.5, 0.02);
    // ... and the clock is asked for the moment of the call plus that offset, to the millisecond.
    EXPECT_NEAR(sets[0].time.Difference(sets[0].calledAt), result.ClockOffset, 0.001);
}

} // namespace

namespace {
// Records the step the clock is asked for, as the real one would apply it.
class StepRecorder final : public SystemClockApi {
public:
    BOOL OpenProcessToken(ProcessTokenHandle& token) override { token = this; return TRUE; }
    BOOL LookupPrivilegeValue(const char*, std::uint64_t& luid) override { luid = 25; return TRUE; }
    BOOL AdjustTokenPrivileges(ProcessTokenHandle, const TOKEN_PRIVILEGES&) override { return TRUE; }
    void CloseProcessToken(ProcessTokenHandle) override {}
    BOOL SetSystemTime(const NtpTimestamp&) override { ++absoluteSets; return TRUE; }
    BOOL StepSystemTime(const NtpTimestamp& utc, const NtpTimestamp& readAt) override
    {
        step = utc.Difference(readAt);
        readings.push_back(readAt);
        return TRUE;
    }
    double step = 0.0;
    int absoluteSets = 0;
    std::vector<NtpTimestamp> readings;
};
} // namespace

TEST(ClockStep, MovesByTheDifferenceToTheReadingTheTimeCameFrom)
{
    // However late the setting happens, the clock moves by exactly the offset.
    StepRecorder clock;
    SntpClient client(clock);
    const NtpTimestamp readAt(0xC5714570C9FBE76Dull);
    ASSERT_TRUE(client.SetSystemClock(readAt.AddSeconds(-1.5), readAt));
    EXPECT_NEAR(clock.step, -1.5, 1e-9);
    ASSERT_EQ(clock.readings.size(), 1u);
    EXPECT_EQ(clock.readings[0], readAt);
    EXPECT_EQ(clock.absoluteSets, 0);

    // Without a reading of its own, the moment of the call stands for it.
    const NtpTimestamp before = NtpTimestamp::Now();
    ASSERT_TRUE(client.SetSystemClock(before.AddSeconds(2.5)));
    EXPECT_NEAR(clock.step, 2.5, 0.05);
}
