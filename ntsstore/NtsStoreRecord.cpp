#include "NtsStoreRecord.h"

#include "NtsKeRecords.h"
#include "Sha256.h"

#include <algorithm>
#include <array>

namespace brisvander {

namespace {
// The high byte keeps a text transfer from passing the file off as intact.
constexpr std::array<std::uint8_t, 8> Magic{0x89, 'B', 'R', 'V', 'N', 'T', 'S', '\n'};
constexpr std::uint16_t FormatVersion = 1;
constexpr std::size_t DigestSize = 32;

bool Within(std::size_t size, std::size_t least, std::size_t most) { return size >= least && size <= most; }

// Printable ASCII without blanks, as a host name or address is written.
bool IsHostText(const std::string& text)
{
    return std::all_of(text.begin(), text.end(), [](char c) { return c > 0x20 && c < 0x7F; });
}

void AppendBlob(Bytes& out, ByteView blob)
{
    AppendU16(out, static_cast<std::uint16_t>(blob.size()));
    AppendBytes(out, blob);
}

void AppendText(Bytes& out, const std::string& text)
{
    AppendBlob(out, ByteView(reinterpret_cast<const std::uint8_t*>(text.data()), text.size()));
}

void AppendI64(Bytes& out, std::int64_t value)
{
    const auto bits = static_cast<std::uint64_t>(value);
    for (int shift = 56; shift >= 0; shift -= 8)
        out.push_back(static_cast<std::uint8_t>(bits >> shift));
}

bool InBounds(const NtsStoreRecord& r)
{
    const NtsSession& s = r.Session;
    bool cookiesFit = std::all_of(s.Cookies.begin(), s.Cookies.end(),
                                  [](const Bytes& c) { return Within(c.size(), 1, NtsKeMaxRecordBody); });
    return Within(r.Host.size(), 1, NtsStoreMaxText) && Within(r.Trust.size(), 1, NtsStoreMaxText) &&
           Within(s.NtpServer.size(), 0, NtsStoreMaxText) && IsHostText(s.NtpServer) &&
           Within(s.ClientToServerKey.size(), 1, NtsStoreMaxKey) &&
           Within(s.ServerToClientKey.size(), 1, NtsStoreMaxKey) && Within(s.Cookies.size(), 1, NtsMaxCookies) &&
           cookiesFit;
}

// Reads fields front to back; once a read runs past the end or out of its
// bounds, every later read fails too.
class FieldReader {
public:
    explicit FieldReader(ByteView data) : m_data(data) {}

    bool Ok() const { return m_ok; }
    bool AtEnd() const { return m_at == m_data.size(); }

    std::uint16_t U16()
    {
        if (!Need(2))
            return 0;
        const std::uint16_t value = ReadU16(m_data, m_at);
        m_at += 2;
        return value;
    }

    std::int64_t I64()
    {
        if (!Need(8))
            return 0;
        std::uint64_t bits = 0;
        for (int i = 0; i < 8; ++i)
            bits = (bits << 8) | m_data[m_at++];
        return static_cast<std::int64_t>(bits);
    }

    Bytes Blob(std::size_t least, std::size_t most)
    {
        const std::size_t size = U16();
        if (m_ok && !Within(size, least, most))
            m_ok = false;
        if (!Need(size))
            return {};
        Bytes blob(m_data.begin() + static_cast<std::ptrdiff_t>(m_at),
                   m_data.begin() + static_cast<std::ptrdiff_t>(m_at + size));
        m_at += size;
        return blob;
    }

    std::string Text(std::size_t least, std::size_t most)
    {
        const Bytes blob = Blob(least, most);
        return std::string(blob.begin(), blob.end());
    }

private:
    bool Need(std::size_t size)
    {
        if (m_ok && m_data.size() - m_at < size)
            m_ok = false;
        return m_ok;
    }

    ByteView m_data;
    std::size_t m_at = 0;
    bool m_ok = true;
};

NtsStoreRecord ReadFields(FieldReader& in)
{
    NtsStoreRecord r;
    r.Host = in.Text(1, NtsStoreMaxText);
    r.KeyExchangePort = in.U16();
    r.Trust = in.Text(1, NtsStoreMaxText);
    r.KeyExchangeTime = in.I64();
    r.Aead = in.U16();
    r.Session.NtpServer = in.Text(0, NtsStoreMaxText);
    r.Session.NtpPort = in.U16();
    r.Session.ClientToServerKey = in.Blob(1, NtsStoreMaxKey);
    r.Session.ServerToClientKey = in.Blob(1, NtsStoreMaxKey);
    const std::size_t count = in.U16();
    for (std::size_t i = 0; in.Ok() && i < count; ++i)
        r.Session.Cookies.push_back(in.Blob(1, NtsKeMaxRecordBody));
    return r;
}
} // namespace

Bytes EncodeNtsStoreRecord(const NtsStoreRecord& r)
{
    if (!InBounds(r))
        return {};
    Bytes out(Magic.begin(), Magic.end());
    AppendU16(out, FormatVersion);
    AppendText(out, r.Host);
    AppendU16(out, r.KeyExchangePort);
    AppendText(out, r.Trust);
    AppendI64(out, r.KeyExchangeTime);
    AppendU16(out, r.Aead);
    AppendText(out, r.Session.NtpServer);
    AppendU16(out, r.Session.NtpPort);
    AppendBlob(out, r.Session.ClientToServerKey);
    AppendBlob(out, r.Session.ServerToClientKey);
    AppendU16(out, static_cast<std::uint16_t>(r.Session.Cookies.size()));
    for (const Bytes& cookie : r.Session.Cookies)
        AppendBlob(out, cookie);
    const auto digest = Sha256Of(out);
    if (!digest || out.size() + DigestSize > NtsStoreMaxFileSize)
        return {};
    AppendBytes(out, *digest);
    return out;
}

NtsStoreParseResult ParseNtsStoreRecord(ByteView file)
{
    NtsStoreParseResult result;
    if (file.size() < Magic.size() || !std::equal(Magic.begin(), Magic.end(), file.begin())) {
        result.Status = NtsStoreParseStatus::Foreign;
        return result;
    }
    if (file.size() > NtsStoreMaxFileSize || file.size() < Magic.size() + 2 + DigestSize)
        return result;
    const ByteView content = file.first(file.size() - DigestSize);
    const auto digest = Sha256Of(content);
    if (!digest || !std::equal(digest->begin(), digest->end(), file.end() - DigestSize))
        return result;
    if (ReadU16(content, Magic.size()) != FormatVersion) {
        result.Status = NtsStoreParseStatus::Foreign;
        return result;
    }
    FieldReader in(content.subspan(Magic.size() + 2));
    NtsStoreRecord record = ReadFields(in);
    if (!in.Ok() || !in.AtEnd() || !InBounds(record))
        return result;
    result.Status = NtsStoreParseStatus::Ok;
    result.Record = std::move(record);
    return result;
}

} // namespace brisvander
