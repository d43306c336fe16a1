#pragma once
// A fake time server and a private bus for the timedated double, for tests of
// setting the clock without a right of one's own. The test is skipped, with
// the reason, where no dbus-daemon can be started.
#include "FakeSntpServer.h"
#include "PrivateBus.h"

#include <gtest/gtest.h>

#include <string>

namespace brisvander::testsupport {

template <typename Base = ::testing::Test>
class TimedatedFixture : public Base {
protected:
    void SetUp() override
    {
        Base::SetUp();
        ASSERT_NE(m_server.Port(), 0);
        std::string whyNot;
        if (!m_bus.Start(whyNot))
            GTEST_SKIP() << whyNot;
    }

    FakeSntpServer m_server;
    PrivateBus m_bus;
};

} // namespace brisvander::testsupport
