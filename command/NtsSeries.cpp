#include "NtsSeries.h"

#include "ErrorCodes.h"

namespace brisvander {

namespace {
SampleOutcome ExchangeOnce(SntpClient& client, NtsAssociation& association)
{
    SntpResult result;
    SampleOutcome sample = SampleOfQuery(QueryAuthenticated(client, association, result), result);
    sample.Unproven = client.LastFailureUnproven;
    return sample;
}

SampleOutcome KeyExchangeFailed(const NtsAssociation& association, std::optional<Failure>& why)
{
    why = association.Problem;
    SampleOutcome failed;
    failed.Error = ErrorCode::KeyExchangeFailed;
    failed.EndedAt = NtpTimestamp::Now();
    return failed;
}

// A NAK alone proves nothing; NAKs and no authentic reply by the deadline
// mean the server no longer knows the session's keys.
SampleOutcome RefusedAgain(SampleOutcome sample, NtsAssociation& association, std::optional<Failure>& why)
{
    DiscardNtsSession(association);
    why = FailureOf(FailureKind::NtsCookiesRefused, ErrorCode::ServerUnsynchronised);
    sample.Error = ErrorCode::ServerUnsynchronised;
    return sample;
}

SampleOutcome NtsSample(SntpClient& client, NtsAssociation& association, const NtsOptions& options,
                        std::optional<Failure>& why)
{
    why.reset();
    if (association.Session->Cookies.empty() && !RenewNts(association, options))
        return KeyExchangeFailed(association, why);
    SampleOutcome sample = ExchangeOnce(client, association);
    if (!sample.Succeeded && !association.CookiesRefused && association.Problem)
        why = association.Problem; // could not be sealed
    if (sample.Succeeded || !association.CookiesRefused)
        return sample;
    const bool renewable = !association.Renewed;
    DiscardNtsSession(association);
    if (!renewable)
        return RefusedAgain(sample, association, why);
    if (!RenewNts(association, options))
        return KeyExchangeFailed(association, why);
    sample = ExchangeOnce(client, association);
    return association.CookiesRefused ? RefusedAgain(sample, association, why) : sample;
}
} // namespace

NtsSeriesOutcome RunNtsSeries(SntpClient& client, NtsAssociation& association, const NtsOptions& options,
                              const SeriesPlan& plan, const SamplePause& pause)
{
    NtsSeriesOutcome outcome;
    outcome.Samples = RunSampleSeries(
        plan, [&] { return NtsSample(client, association, options, outcome.LastFailure); }, pause,
        [&] {
            if (!association.Session)
                return false;
            outcome.CookiesRanOut = association.Session->Cookies.empty() && association.Renewed;
            return !outcome.CookiesRanOut;
        });
    return outcome;
}

} // namespace brisvander
