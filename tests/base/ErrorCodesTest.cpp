// The numbers a user reads in the report for what the system says went wrong.
#include "ErrorCodes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <netdb.h>

using namespace brisvander;

namespace {

TEST(ErrorNumbers, SocketFailuresKeepTheClassicNumbers)
{
    EXPECT_EQ(ErrorFromErrno(ECONNREFUSED), 10054u); // the server's port is closed
    EXPECT_EQ(ErrorFromErrno(ENETDOWN), 10050u);
    EXPECT_EQ(ErrorFromErrno(ENETUNREACH), 10051u);
    EXPECT_EQ(ErrorFromErrno(EHOSTUNREACH), 10065u);
    EXPECT_EQ(ErrorFromErrno(EACCES), 10013u);
    EXPECT_EQ(ErrorFromErrno(EPERM), 10013u);
    EXPECT_EQ(ErrorFromErrno(ENOBUFS), 10055u);
    EXPECT_EQ(ErrorFromErrno(EMFILE), 10024u);
    EXPECT_EQ(ErrorFromErrno(ETIMEDOUT), 10060u);
    // Without a classic number, the system's own passes through.
    EXPECT_EQ(ErrorFromErrno(EROFS), static_cast<std::uint32_t>(EROFS));
}

TEST(ErrorNumbers, ResolverFailuresAreTheElevenThousands)
{
    EXPECT_EQ(ErrorFromResolver(EAI_NONAME, 0), 11001u);
    EXPECT_EQ(ErrorFromResolver(EAI_AGAIN, 0), 11002u);
    EXPECT_EQ(ErrorFromResolver(EAI_FAIL, 0), 11003u);
    EXPECT_EQ(ErrorFromResolver(EAI_NODATA, 0), 11004u);
    EXPECT_EQ(ErrorFromResolver(EAI_ADDRFAMILY, 0), 11004u);
    EXPECT_EQ(ErrorFromResolver(EAI_SYSTEM, EMFILE), 10024u);
    EXPECT_EQ(ErrorFromResolver(EAI_SYSTEM, 0), 11003u);
}

} // namespace
