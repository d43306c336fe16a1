#pragma once
// What an NTS server sends back to a sealed request, for scripts of the fake
// SNTP server: an authentic reply sealed with a key the test knows, or a NAK.
#include "FakeSntpServer.h"
#include "NtpExtensionFields.h"
#include "NtsBytes.h"

#include <cstddef>
#include <functional>

namespace brisvander::ntstest {

// The request's fields of `type`: how many, and the first one's body (empty when none).
std::size_t FieldsOfType(const testsupport::FakeReplyContext& ctx, NtpExtensionType type);
Bytes FirstFieldOfType(const testsupport::FakeReplyContext& ctx, NtpExtensionType type);

// A reply of version 4 with the clock `ahead` seconds, the request's unique
// identifier, and an authenticator sealed with `serverToClientKey` holding
// one new cookie for the one sent and one per placeholder, each from `nextCookie`.
Bytes AuthenticReply(const testsupport::FakeReplyContext& ctx, ByteView serverToClientKey,
                     const std::function<Bytes()>& nextCookie, double ahead = 0.0);

// A NAK (Kiss-o'-Death "NTSN") with the request's unique identifier: anyone on the path can send one.
Bytes NakReply(const testsupport::FakeReplyContext& ctx);

} // namespace brisvander::ntstest
