#pragma once
// One chronyd NTS server for a whole test suite, started before its first
// test and stopped after its last. Every test is skipped, with the reason,
// where chronyd cannot serve NTS here.
#include "ChronydNtsServer.h"

#include <gtest/gtest.h>

#include <string>

namespace brisvander::ntstest {

class ChronydNtsSuite : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        s_whyNot.clear();
        s_authority = new TestAuthority("Brisvander chronyd CA");
        s_chronyd = new ChronydNtsServer;
        if (!s_chronyd->Start(*s_authority, s_whyNot))
            s_whyNot = "chronyd cannot serve NTS here: " + s_whyNot;
    }
    static void TearDownTestSuite()
    {
        delete s_chronyd;
        delete s_authority;
        s_chronyd = nullptr;
        s_authority = nullptr;
    }
    void SetUp() override
    {
        if (s_chronyd == nullptr || s_chronyd->KeyExchangePort() == 0 || !s_whyNot.empty())
            GTEST_SKIP() << s_whyNot;
    }

    static inline TestAuthority* s_authority = nullptr;
    static inline ChronydNtsServer* s_chronyd = nullptr;
    static inline std::string s_whyNot;
};

} // namespace brisvander::ntstest
