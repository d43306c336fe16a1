// The fixed data of the desktop program: server list, start-up text and
// command strings.
#include "CommandIds.h"
#include "FrameResources.h"
#include "IntroText.h"
#include "ServerList.h"
#include "DefaultServer.h"
#include "StringTable.h"

#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <string>
#include <vector>

using namespace brisvander;

namespace {
std::vector<std::string> Split(const std::string& text, const std::string& separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at; (at = text.find(separator, start)) != std::string::npos; start = at + separator.size())
        parts.push_back(text.substr(start, at - start));
    parts.push_back(text.substr(start));
    return parts;
}

std::string TopLevelDomain(std::string_view host) { return std::string(host.substr(host.rfind('.') + 1)); }
} // namespace

TEST(ServerList, Holds154DistinctWellFormedHostsIncludingTheDefault)
{
    const auto hosts = ServerList();
    ASSERT_EQ(hosts.size(), 154u);
    const std::regex hostName("([a-z0-9]([a-z0-9-]*[a-z0-9])?\\.)+[a-z]{2,}");
    std::set<std::string_view> seen;
    for (std::string_view host : hosts) {
        EXPECT_TRUE(std::regex_match(std::string(host), hostName)) << host;
        EXPECT_TRUE(seen.insert(host).second) << "listed twice: " << host;
    }
    EXPECT_TRUE(seen.count(DefaultServerHost));
}

TEST(ServerList, CountryDomainsComeFirstAndTheListIsNotSorted)
{
    const auto hosts = ServerList();
    std::size_t firstGeneric = hosts.size();
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        const bool countryDomain = TopLevelDomain(hosts[i]).size() == 2;
        if (!countryDomain && firstGeneric == hosts.size())
            firstGeneric = i;
        if (countryDomain) {
            EXPECT_LT(i, firstGeneric) << hosts[i] << " comes after the generic domains began";
        }
    }
    EXPECT_GT(firstGeneric, 0u);
    EXPECT_FALSE(std::is_sorted(hosts.begin(), hosts.end()));
}

TEST(IntroText, HasFiveParagraphsWithEveryFixedPiece)
{
    const std::string text = IntroText();
    ASSERT_NE(text.back(), '\n');
    const std::vector<std::string> paragraphs = Split(text, "\n\n");
    ASSERT_EQ(paragraphs.size(), 5u);
    for (const std::string& paragraph : paragraphs)
        EXPECT_EQ(paragraph.find('\n'), std::string::npos) << paragraph;

    EXPECT_EQ(paragraphs[0], "Zeitsynchronisation von Rechnern mit Hilfe des \"Network Time Protocol\" (NTP)");
    EXPECT_EQ(paragraphs[1].rfind("Zur Zeitsynchronisation von Rechnern über das Internet gibt es einige Zeitserver auf "
                                  "die jeder zugreifen kann. ", 0), 0u);
    EXPECT_NE(paragraphs[1].find(" Diese Server benutzen zur Weitergabe der Zeitinformation das NTP. Dieses Protokoll "
                                 "wurde mit dem Ziel entworfen, Rechner innerhalb lokaler Netzwerke und  in "
                                 "Weitverkehrsnetzwerken zeitlich synchronisieren zu können."),
              std::string::npos);
    EXPECT_EQ(paragraphs[2], std::string("Um die Zeitserver zur Synchronisation eines Rechners nutzen zu können, einen der "
                                         "Zeitserver wählen, der dem Land entspricht also .de für Deutschland z.b. ") +
                                 DefaultServerHost +
                                 ". Dann eine Verbindung zum Internet herstellen und auf VERBINDEN (v) oder "
                                 "SYNCHRONISIERN (s) klicken.");
    EXPECT_EQ(paragraphs[3], "Dann wir die Systemzeit mit dem Zeitserver der über Atomuhren, Sateliten oder Funkuhren "
                             "gesteuert wird abgeglichen.");
    EXPECT_TRUE(std::regex_match(paragraphs[4], std::regex("Brisvander ist Freeware und auf \\S+ erhältlich\\.")))
        << paragraphs[4];
}

TEST(CommandStrings, EveryMenuAndToolbarCommandHasAPrompt)
{
    for (const MenuResource& menu : MainMenu())
        for (const MenuItemResource& item : menu.Items) {
            if (item.CommandId != 0) {
                EXPECT_FALSE(CommandPrompt(item.CommandId).empty()) << item.CommandId;
            }
        }
    for (const ToolbarButtonResource& button : MainToolbar()) {
        if (button.CommandId != 0) {
            EXPECT_FALSE(CommandTooltip(button.CommandId).empty()) << button.CommandId;
        }
    }
}
