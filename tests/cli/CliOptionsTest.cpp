#include "CliOptions.h"

#include <gtest/gtest.h>

using namespace brisvander;

namespace {
CliOptions Parse(QStringList args)
{
    args.prepend("brisvander-cli");
    return ParseCliArguments(args);
}
} // namespace

TEST(CliPort, AcceptsOnlyPlainNumbersInRange)
{
    EXPECT_EQ(ParsePort("1"), 1);
    EXPECT_EQ(ParsePort("123"), 123);
    EXPECT_EQ(ParsePort("65535"), 65535);
    EXPECT_EQ(ParsePort("00123"), 123);
    for (const char* bad : {"0", "65536", "70000", "", "-1", "+5", "12x", " 80", "80 ", "0x50", "1e3", "999999",
                            "٣"}) {
        EXPECT_FALSE(ParsePort(QString::fromUtf8(bad)).has_value()) << bad;
    }
}

TEST(CliArguments, CommandsHostAndOptions)
{
    CliOptions o = Parse({"info"});
    EXPECT_EQ(o.Action, CliAction::Run);
    EXPECT_EQ(o.Command, ReportCommand::Info);
    EXPECT_FALSE(o.Host.has_value());
    EXPECT_EQ(o.Port, 123);
    EXPECT_FALSE(o.Json);

    o = Parse({"sync", "  de.pool.ntp.org ", "--port", "4123", "--json"});
    EXPECT_EQ(o.Action, CliAction::Run);
    EXPECT_EQ(o.Command, ReportCommand::Sync);
    ASSERT_TRUE(o.Host.has_value());
    EXPECT_EQ(*o.Host, "  de.pool.ntp.org "); // passed on unchanged
    EXPECT_EQ(o.Port, 4123);
    EXPECT_TRUE(o.Json);

    o = Parse({"info", ""});
    ASSERT_TRUE(o.Host.has_value());
    EXPECT_TRUE(o.Host->isEmpty());

    o = Parse({"--port=99", "info", "--", "-odd-host"});
    EXPECT_EQ(o.Action, CliAction::Run);
    EXPECT_EQ(o.Port, 99);
    EXPECT_EQ(o.Host, QString("-odd-host"));

    EXPECT_EQ(Parse({"--help"}).Action, CliAction::Help);
    EXPECT_EQ(Parse({"-h"}).Action, CliAction::Help);
    EXPECT_EQ(Parse({"--version"}).Action, CliAction::Version);
}

TEST(CliArguments, UsageErrorsSayWhatIsWrong)
{
    struct Case {
        QStringList args;
        const char* mentions;
    };
    const Case cases[] = {
        {{}, "missing command"},
        {{"status"}, "unknown command"},
        {{"info", "a", "b"}, "too many"},
        {{"info", "--port", "0"}, "invalid port"},
        {{"info", "--port", "70000"}, "invalid port"},
        {{"info", "--port", "abc"}, "invalid port"},
        {{"info", "--port"}, "port"},
        {{"info", "--colour"}, "colour"},
        {{"INFO"}, "unknown command"},
    };
    for (const Case& c : cases) {
        const CliOptions o = Parse(c.args);
        EXPECT_EQ(o.Action, CliAction::UsageError) << c.args.join(' ').toStdString();
        EXPECT_TRUE(o.Message.contains(c.mentions, Qt::CaseInsensitive))
            << c.args.join(' ').toStdString() << " -> " << o.Message.toStdString();
    }
}
