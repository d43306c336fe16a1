#pragma once
// The user's words for a failure, made here and nowhere else: every room
// below hands its failures up as values (Failure.h), and both programs show
// what these functions make of them. German, UTF-8, one line without its
// line break.
#include "Failure.h"

#include <string>

namespace brisvander {

// The line that explains `failure`: the reason after "(Fehler Nr. 20004)"
// for a key exchange or a request that could not be sealed, why the clock
// was not set, a warning about the NTS store or the history. Library words
// (OpenSSL's, strerror, gai_strerror) come in as the library gives them.
// Empty for a Numbered failure: its number says it all.
std::string FailureText(const Failure& failure);

// What the history's file is like, given the Cause of a HistoryNotWritten
// failure (a History... kind): the warning's parenthesis, and what a window
// says when it cannot read the history.
std::string HistoryStateText(FailureKind state);

} // namespace brisvander
