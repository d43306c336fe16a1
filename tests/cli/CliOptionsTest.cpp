#include "CliHelp.h"
#include "CliOptions.h"

#include <QFile>
#include <QRegularExpression>
#include <gtest/gtest.h>

using namespace brisvander;
using namespace std::chrono_literals;

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

TEST(CliSamples, CountFromOneToEight)
{
    EXPECT_EQ(ParseSampleCount("1"), 1);
    EXPECT_EQ(ParseSampleCount("8"), 8);
    EXPECT_EQ(ParseSampleCount("04"), 4);
    for (const char* bad : {"0", "9", "10", "", "-1", "+2", "2.0", " 3", "three", "004"})
        EXPECT_FALSE(ParseSampleCount(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST(CliSamples, IntervalInSecondsFromAFifthToAnHour)
{
    EXPECT_EQ(ParseInterval("0.2"), 200ms);
    EXPECT_EQ(ParseInterval("2"), 2000ms);
    EXPECT_EQ(ParseInterval("1.5"), 1500ms);
    EXPECT_EQ(ParseInterval("0.2509"), 250ms); // cut to whole milliseconds
    EXPECT_EQ(ParseInterval("3600"), 3600000ms);
    EXPECT_EQ(ParseInterval("0.20000"), 200ms);
    for (const char* bad : {"0.1999", "0.19", "0", "0.0", "3600.001", "", ".5", "2.", "1,5", "1e1", "-1", " 2",
                            "2 ", "0x10", "inf", "nan", "1.2.3", "99999"})
        EXPECT_FALSE(ParseInterval(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST(CliSamples, OptionsFillTheSeriesPlan)
{
    CliOptions o = Parse({"info"});
    EXPECT_EQ(o.Series.Count, 1);
    EXPECT_EQ(o.Series.Interval, 2000ms);
    EXPECT_FALSE(o.SamplesGiven);

    o = Parse({"sync", "--samples", "4", "--interval", "0.2", "127.0.0.1"});
    EXPECT_EQ(o.Action, CliAction::Run);
    EXPECT_EQ(o.Series.Count, 4);
    EXPECT_EQ(o.Series.Interval, 200ms);
    EXPECT_TRUE(o.SamplesGiven);
    EXPECT_EQ(o.Host, QString("127.0.0.1"));

    // Asking for one sample is still asking: the text says how it went.
    o = Parse({"info", "--samples=1"});
    EXPECT_TRUE(o.SamplesGiven);
    EXPECT_EQ(o.Series.Count, 1);
}

TEST(CliHelp, NamesTheProgramAndSaysUsageOnce)
{
    const CliOptions help = ParseCliArguments({"/usr/lib/some/where/brisvander-cli", "--help"});
    ASSERT_EQ(help.Action, CliAction::Help);
    const QString text = help.Message;
    EXPECT_TRUE(text.startsWith("Usage:\n  brisvander-cli info")) << text.toStdString();
    EXPECT_EQ(text.count("Usage:"), 1);
    EXPECT_FALSE(text.contains("/usr/lib")) << text.toStdString();
    EXPECT_FALSE(text.contains("<executable_name>"));
}

// The help and the man page list the same options, exit statuses and error numbers.
TEST(CliHelp, AgreesWithTheManPage)
{
    QFile page(BRISVANDER_MAN_PAGE);
    ASSERT_TRUE(page.open(QIODevice::ReadOnly)) << BRISVANDER_MAN_PAGE;
    const QString man = QString::fromUtf8(page.readAll());
    const QString help = QString::fromStdString(CliHelpText());

    const auto section = [](const QString& text, const QString& from, const QString& to) {
        const qsizetype start = text.indexOf(from);
        return start < 0 ? QString() : text.mid(start, text.indexOf(to, start + from.size()) - start);
    };
    const auto numbers = [](const QString& text) {
        QStringList found;
        for (const auto& match : QRegularExpression(R"(\b\d{1,5}\b)").globalMatch(text))
            found.append(match.captured());
        found.removeDuplicates();
        found.sort();
        return found;
    };
    const QStringList manStatuses = numbers(section(man, ".SH EXIT STATUS", ".SH"));
    const QStringList helpStatuses = numbers(section(help, "Exit status:", "\n\n"));
    EXPECT_EQ(manStatuses, (QStringList{"0", "1", "2", "3", "64", "71", "74"}));
    EXPECT_EQ(helpStatuses, manStatuses);

    QStringList manErrors = numbers(section(man, ".SH ERROR NUMBERS", ".SH"));
    QStringList helpErrors = numbers(section(help, "Error numbers", "\n\n"));
    EXPECT_GE(manErrors.size(), 15);
    EXPECT_EQ(helpErrors, manErrors);

    QStringList manOptions;
    for (const auto& match : QRegularExpression(R"(\\-\\-([a-z]+(?:\\-[a-z]+)*))").globalMatch(man))
        manOptions.append(match.captured(1).replace("\\-", "-"));
    manOptions.removeDuplicates();
    EXPECT_GE(manOptions.size(), 6);
    for (const QString& option : manOptions)
        EXPECT_TRUE(help.contains("--" + option + " ") || help.contains("--" + option + "\n")) << option.toStdString();
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

TEST(CliArguments, NtsIsOffUnlessAskedForAndItsPortAndAnchorFollowIt)
{
    CliOptions o = Parse({"info"});
    EXPECT_FALSE(o.Nts.Enabled);
    o = Parse({"sync", "ptbtime1.ptb.de", "--nts"});
    EXPECT_TRUE(o.Nts.Enabled);
    EXPECT_EQ(o.Nts.KeyExchangePort, 4460);
    EXPECT_TRUE(o.Nts.ExtraCaFile.empty());
    o = Parse({"info", "localhost", "--nts", "--nts-port", "14460", "--nts-ca", "/tmp/ca.pem", "--port", "1123"});
    EXPECT_TRUE(o.Nts.Enabled);
    EXPECT_EQ(o.Nts.KeyExchangePort, 14460);
    EXPECT_EQ(o.Nts.ExtraCaFile, "/tmp/ca.pem");
    EXPECT_EQ(o.Port, 1123);
    EXPECT_FALSE(o.Nts.FallBackToPlain);
    EXPECT_FALSE(o.Nts.IgnoreCertificatePeriod);
    EXPECT_TRUE(o.Nts.StoreFolder.empty()) << "the run names the store, not the parser";

    o = Parse({"info", "--nts-auto", "--nts-ignore-cert-time"});
    EXPECT_TRUE(o.Nts.Enabled);
    EXPECT_TRUE(o.Nts.FallBackToPlain);
    EXPECT_TRUE(o.Nts.IgnoreCertificatePeriod);
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
        {{"info", "--samples", "0"}, "invalid sample count"},
        {{"info", "--samples", "9"}, "invalid sample count"},
        {{"info", "--samples"}, "samples"},
        {{"info", "--interval", "0.1"}, "invalid interval"},
        {{"info", "--interval", "soon"}, "invalid interval"},
        {{"info", "--nts-port", "4460"}, "need --nts"},
        {{"info", "--nts-ca", "ca.pem"}, "need --nts"},
        {{"info", "--nts", "--nts-port", "0"}, "invalid NTS key exchange port"},
        {{"info", "--nts", "--nts-ca", ""}, "--nts-ca needs a file"},
        {{"info", "--nts-ignore-cert-time"}, "need --nts or --nts-auto"},
        {{"sync", "--nts", "--nts-auto"}, "exclude each other"},
        {{"nts-forget", "--nts"}, "not an option of nts-forget"},
        {{"survey", "--nts-ignore-cert-time"}, "not an option of survey"},
    };
    for (const Case& c : cases) {
        const CliOptions o = Parse(c.args);
        EXPECT_EQ(o.Action, CliAction::UsageError) << c.args.join(' ').toStdString();
        EXPECT_TRUE(o.Message.contains(c.mentions, Qt::CaseInsensitive))
            << c.args.join(' ').toStdString() << " -> " << o.Message.toStdString();
    }
}
