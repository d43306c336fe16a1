// Feeds arbitrary bytes to the stored-session file parser and the rules that
// judge what it read, as a torn, altered or planted file could hold them, and
// the same bytes as folder entry names to the name parsers. The bytes are
// also read with their last 32 made the right digest, so that mutations reach
// the fields behind the integrity check.
#include "NtsKeRecords.h"
#include "NtsStoreNames.h"
#include "NtsStoreRecord.h"
#include "NtsStoreRules.h"
#include "Sha256.h"

#include <algorithm>
#include <cstdlib>
#include <string>

using namespace brisvander;

namespace {
void Require(bool condition)
{
    if (!condition)
        std::abort();
}

void CheckRecord(const NtsStoreRecord& r, ByteView file)
{
    // A file is read in one way only: what parses is what was written.
    Require(EncodeNtsStoreRecord(r) == Bytes(file.begin(), file.end()));
    Require(!r.Session.Cookies.empty() && r.Session.Cookies.size() <= NtsMaxCookies);
    for (const Bytes& cookie : r.Session.Cookies)
        Require(!cookie.empty() && cookie.size() <= NtsKeMaxRecordBody);
    const auto verdict = JudgeStoredSession(r, r.Host, r.KeyExchangePort, r.Trust, r.KeyExchangeTime);
    Require(verdict == NtsStoredVerdict::Usable || verdict == NtsStoredVerdict::Unsupported);
}

void CheckNames(const std::string& text)
{
    Require(IsSessionFileName(SessionFileName(text, 4460)));
    const auto owner = LeftoverOwner(text);
    Require(!owner || (*owner > 0 && !IsSessionFileName(text)));
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const ByteView input(data, size);
    const NtsStoreParseResult parsed = ParseNtsStoreRecord(input);
    if (parsed.Status == NtsStoreParseStatus::Ok)
        CheckRecord(parsed.Record, input);
    if (size >= sizeof(Sha256Digest)) {
        Bytes resealed(input.begin(), input.end());
        const std::size_t content = size - sizeof(Sha256Digest);
        const auto digest = Sha256Of(input.first(content));
        Require(digest.has_value());
        std::copy(digest->begin(), digest->end(), resealed.begin() + static_cast<std::ptrdiff_t>(content));
        const NtsStoreParseResult again = ParseNtsStoreRecord(resealed);
        if (again.Status == NtsStoreParseStatus::Ok)
            CheckRecord(again.Record, resealed);
    }
    CheckNames(std::string(reinterpret_cast<const char*>(data), size));
    return 0;
}
