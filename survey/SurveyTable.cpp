#include "SurveyTable.h"

#include "CFormat.h"
#include "HostText.h"
#include "ReferenceText.h"

#include <algorithm>
#include <cmath>

namespace brisvander {

namespace {
using Row = std::vector<std::string>;

int Rank(ServerVerdict verdict)
{
    switch (verdict) {
    case ServerVerdict::Agrees: return 0;
    case ServerVerdict::Disagrees:
    case ServerVerdict::Undecided: return 1;
    case ServerVerdict::NoAnswer:
    case ServerVerdict::Refused:
    case ServerVerdict::RateLimited: break;
    }
    return 2;
}

std::string VerdictText(const HostSurvey& host, ServerVerdict verdict)
{
    switch (verdict) {
    case ServerVerdict::Agrees: return "stimmt überein";
    case ServerVerdict::Disagrees: return "weicht ab";
    case ServerVerdict::Undecided: return "-";
    case ServerVerdict::NoAnswer: return CFormat("keine Antwort (Fehler Nr. %u)", host.Error);
    case ServerVerdict::Refused: return "verweigert";
    case ServerVerdict::RateLimited: return "gedrosselt";
    }
    return "-";
}

std::size_t CodePoints(const std::string& text)
{
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (static_cast<unsigned char>(c) & 0xC0) != 0x80; }));
}

// Numbers line up on the right, words on the left; the last column is not padded.
std::string LaidOut(const std::vector<Row>& rows)
{
    constexpr bool rightAligned[] = {false, false, true, false, true, true, false, false};
    std::vector<std::size_t> widths(rows.front().size(), 0);
    for (const Row& row : rows)
        for (std::size_t c = 0; c < row.size(); ++c)
            widths[c] = std::max(widths[c], CodePoints(row[c]));
    std::string text;
    for (const Row& row : rows) {
        for (std::size_t c = 0; c < row.size(); ++c) {
            const std::string padding(widths[c] - CodePoints(row[c]), ' ');
            const bool last = c + 1 == row.size();
            text += rightAligned[c] ? padding + row[c] : (last ? row[c] : row[c] + padding);
            text += last ? "\n" : "  ";
        }
    }
    return text;
}

std::string Magnitude(double seconds) { return CFormat("%.6f Sekunden", std::fabs(seconds)); }
} // namespace

std::vector<std::string> SurveyTableHeads()
{
    return {"Server", "Adresse", "Stratum", "Referenz", "Offset", "Verzögerung", "NTS", "Urteil"};
}

std::vector<std::string> SurveyTableRow(const HostSurvey& host, ServerVerdict verdict)
{
    const bool answered = host.Answered();
    const bool kissed = verdict == ServerVerdict::Refused || verdict == ServerVerdict::RateLimited;
    return {EscapeControlCharacters(host.Host),
            host.Address.empty() ? "-" : host.Address,
            answered ? std::to_string(host.Stratum) : "-",
            answered || kissed ? ReferenceText(host.Stratum, host.ReferenceId) : "-",
            answered ? CFormat("%+.6f s", host.Offset) : "-",
            answered ? CFormat("%.6f s", host.Delay) : "-",
            host.Nts ? "ja" : "nein",
            VerdictText(host, verdict)};
}

std::vector<std::size_t> SurveyTableOrder(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict)
{
    std::vector<std::size_t> order(hosts.size());
    for (std::size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        const int rankA = Rank(verdict.Verdicts[a]);
        const int rankB = Rank(verdict.Verdicts[b]);
        if (rankA != rankB)
            return rankA < rankB;
        return rankA < 2 && std::fabs(hosts[a].Offset) < std::fabs(hosts[b].Offset);
    });
    return order;
}

std::string SurveyTableText(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict)
{
    std::vector<Row> rows{SurveyTableHeads()};
    for (const std::size_t i : SurveyTableOrder(hosts, verdict))
        rows.push_back(SurveyTableRow(hosts[i], verdict.Verdicts[i]));
    return LaidOut(rows);
}

std::string ConsensusSentence(const SurveyVerdict& v)
{
    switch (v.Reason) {
    case VerdictReason::NoAnswers: return "Kein Server hat geantwortet, darum gibt es kein Urteil.\n";
    case VerdictReason::TooFewAnswers:
        return CFormat("Nur %d Server %s geantwortet; für ein Urteil braucht es mindestens %d.\n", v.Answered,
                       v.Answered == 1 ? "hat" : "haben", MinAnswersForVerdict);
    case VerdictReason::NoMajority:
        return CFormat("Kein Urteil: die größte Gruppe übereinstimmender Server umfasst nur %d der %d antwortenden, "
                       "nicht mehr als die Hälfte.\n", v.LargestGroup, v.Answered);
    case VerdictReason::Ambiguous:
        return CFormat("Kein Urteil: mehrere Gruppen von je %d Servern widersprechen einander.\n", v.LargestGroup);
    case VerdictReason::Given: break;
    }
    const std::string basis =
        CFormat("(Median von %d übereinstimmenden der %d antwortenden Server, Streuung ±%.6f Sekunden)", v.Agreeing,
                v.Answered, v.ConsensusSpread);
    const std::string magnitude = Magnitude(v.ConsensusOffset);
    std::string sentence = magnitude == Magnitude(0.0)
                               ? "Die Uhr dieses Rechners geht richtig " + basis + "."
                               : "Die Uhr dieses Rechners geht " + magnitude +
                                     (v.ConsensusOffset > 0 ? " nach " : " vor ") + basis + ".";
    const int disagreeing = v.Answered - v.Agreeing;
    if (disagreeing > 0)
        sentence += CFormat(" %d Server %s ab.", disagreeing, disagreeing == 1 ? "weicht" : "weichen");
    return sentence + "\n";
}

} // namespace brisvander
