// Which host text is tried at all, and in which order its addresses are.
#include "HostAddress.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>

using namespace brisvander;

namespace {

TEST(HostAddress, OnlyWhatCanNameAHostIsLookedUp)
{
    for (const char* host : {"ptbtime1.ptb.de", "127.0.0.1", "127.1", "::1", "[::1]", "fe80::1%lo", "xn--zeit-tza.de"})
        EXPECT_TRUE(IsPlausibleHostText(host)) << host;
    // inet_aton would read the first as 127.0.0.1; a name server would be
    // asked about the others.
    for (const char* host : {"127.0.0.1 evil", "127.0.0.1\tx", "", " ", "[::1", "::1]", "[[::1]]", "[ptb.de]",
                             "ptb\x7f.de", "a\nb"})
        EXPECT_FALSE(IsPlausibleHostText(host)) << host;
    EXPECT_EQ(WithoutBrackets("[::1]"), "::1");
    EXPECT_EQ(WithoutBrackets("[::1"), "[::1");
}

TEST(HostAddress, ImplausibleTextIsHostNotFoundWithoutALookup)
{
    const ResolvedHost resolved = ResolveHost("127.0.0.1 evil", 123);
    EXPECT_TRUE(resolved.Addresses.empty());
    EXPECT_EQ(resolved.Error, 11001u);
}

SocketAddress Of(int family)
{
    SocketAddress address;
    address.Storage.ss_family = static_cast<sa_family_t>(family);
    return address;
}

TEST(HostAddress, IPv4AddressesComeFirstAndKeepTheirOrder)
{
    std::vector<SocketAddress> addresses = {Of(AF_INET6), Of(AF_INET), Of(AF_INET6), Of(AF_INET)};
    reinterpret_cast<sockaddr_in*>(&addresses[1].Storage)->sin_port = 1;
    reinterpret_cast<sockaddr_in*>(&addresses[3].Storage)->sin_port = 2;
    PutIPv4First(addresses);
    ASSERT_EQ(addresses.size(), 4u);
    EXPECT_EQ(addresses[0].Family(), AF_INET);
    EXPECT_EQ(reinterpret_cast<sockaddr_in*>(&addresses[0].Storage)->sin_port, 1);
    EXPECT_EQ(reinterpret_cast<sockaddr_in*>(&addresses[1].Storage)->sin_port, 2);
    EXPECT_EQ(addresses[2].Family(), AF_INET6);
    EXPECT_EQ(addresses[3].Family(), AF_INET6);
}

} // namespace
