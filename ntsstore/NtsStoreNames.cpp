#include "NtsStoreNames.h"

#include "SecureRandom.h"
#include "Sha256.h"

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>

namespace brisvander {

namespace {
constexpr std::string_view SessionSuffix = ".nts";
constexpr std::string_view TakenMark = ".nts.taken-";
constexpr std::string_view TempMark = ".nts.tmp-";
constexpr std::size_t HostHashDigits = 64;

bool IsHexDigit(char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }
bool IsDecimalDigit(char c) { return c >= '0' && c <= '9'; }

std::string LeftoverName(const std::string& sessionFile, std::string_view kind, pid_t pid, const std::string& tag)
{
    return sessionFile + "." + std::string(kind) + "-" + std::to_string(pid) + "-" + tag;
}
} // namespace

std::string SessionFilePrefix(const std::string& host)
{
    const auto bytes = ByteView(reinterpret_cast<const std::uint8_t*>(host.data()), host.size());
    const auto digest = Sha256Of(bytes);
    // Without a digest no name can be made; a name that is never a session file's keeps it harmless.
    return (digest ? HexOf(*digest) : std::string(HostHashDigits, 'x')) + "-";
}

std::string SessionFileName(const std::string& host, std::uint16_t port)
{
    return SessionFilePrefix(host) + std::to_string(port) + std::string(SessionSuffix);
}

bool IsSessionFileName(std::string_view name)
{
    if (name.size() <= HostHashDigits + 1 + SessionSuffix.size() || !name.ends_with(SessionSuffix) ||
        name[HostHashDigits] != '-')
        return false;
    const std::string_view hash = name.substr(0, HostHashDigits);
    const std::string_view port =
        name.substr(HostHashDigits + 1, name.size() - HostHashDigits - 1 - SessionSuffix.size());
    return std::all_of(hash.begin(), hash.end(), IsHexDigit) && port.size() <= 5 &&
           std::all_of(port.begin(), port.end(), IsDecimalDigit);
}

std::string TakenFileName(const std::string& sessionFile, pid_t pid, const std::string& tag)
{
    return LeftoverName(sessionFile, "taken", pid, tag);
}

std::string TempFileName(const std::string& sessionFile, pid_t pid, const std::string& tag)
{
    return LeftoverName(sessionFile, "tmp", pid, tag);
}

std::optional<pid_t> LeftoverOwner(std::string_view name)
{
    for (std::string_view mark : {TakenMark, TempMark}) {
        const std::size_t at = name.find(mark);
        if (at == std::string_view::npos || !IsSessionFileName(name.substr(0, at + SessionSuffix.size())))
            continue;
        const std::string_view rest = name.substr(at + mark.size());
        pid_t pid = 0;
        const auto [end, error] = std::from_chars(rest.data(), rest.data() + rest.size(), pid);
        if (error == std::errc() && pid > 0 && end != rest.data() + rest.size() && *end == '-')
            return pid;
    }
    return std::nullopt;
}

std::string RandomNameTag()
{
    std::array<std::uint8_t, 8> bytes{};
    if (!FillRandom(bytes)) {
        // Unpredictability is a courtesy here; uniqueness within the process is what counts.
        static std::atomic<std::uint64_t> counter{0};
        const std::uint64_t n = ++counter;
        for (std::size_t i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<std::uint8_t>(n >> (8 * i));
    }
    return HexOf(bytes);
}

} // namespace brisvander
