// A host list file: comments, blanks and lines that cannot name a host.
#include "HostListFile.h"

#include <gtest/gtest.h>

using namespace brisvander;

TEST(SurveyHostList, TakesHostsAndReportsBadLinesByNumber)
{
    const HostList list = ParseHostList("# servers to ask\n"
                                        "ptbtime1.ptb.de\n"
                                        "\n"
                                        "  127.0.0.1 # loopback\r\n"
                                        "two hosts.example\n"
                                        "\u00A0[::1]\n"
                                        "[127.0.0.1]\n"
                                        "   # only a comment\n"
                                        "last.example");
    EXPECT_EQ(list.Hosts, (std::vector<std::string>{"ptbtime1.ptb.de", "127.0.0.1", "[::1]", "last.example"}));
    ASSERT_EQ(list.Problems.size(), 2u);
    EXPECT_EQ(list.Problems[0].Line, 5);
    EXPECT_EQ(list.Problems[0].Text, "two hosts.example");
    EXPECT_EQ(list.Problems[1].Line, 7);
    EXPECT_EQ(list.Problems[1].Text, "[127.0.0.1]");
    EXPECT_TRUE(ParseHostList("").Hosts.empty());
}
