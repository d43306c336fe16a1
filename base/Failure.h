#pragma once
// The one value in which a failure travels below the programs' own
// operations: a number of the error table (ErrorCodes.h), the situation it
// stands for, and the facts needed to explain it. Nothing here is worded for
// the user: the report room turns a Failure into German (FailureText.h), so
// every text a user reads about a failure is made in one place. Operations
// that keep the classic result (BOOL and the thread's last-error number)
// derive both from their Failure.
#include "ErrorCodes.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

namespace brisvander {

// Which situation a failure is, finer than its number where the user is told
// more than the number. Each kind's comment names the facts it fills; a kind
// that wraps another names it in Cause (and the facts are the cause's).
enum class FailureKind : std::uint16_t {
    Numbered, // the number says it all (the exchange's socket, lookup and reply verdicts)

    // NTS key exchange (number KeyExchangeFailed).
    NtsNameNotFound,          // Host: the name has no address
    NtsNameLookupFailed,      // Host; SystemError: getaddrinfo's code
    NtsNoConnection,          // Host, Port; SystemError: the last address's errno
    NtsConnectionBroken,      // SystemError: errno of the failed send or receive
    NtsWaitFailed,            // SystemError: errno of the failed poll
    NtsServerHungUp,          // the server closed the connection while we wrote
    NtsTimedOut,              // the exchange's deadline passed
    NtsTlsUnavailable,        // Detail: OpenSSL's reason (empty when it gave none)
    NtsTlsNotStarted,         // OpenSSL could not make the connection's state
    NtsCaFileUnreadable,      // Detail: the PEM file's path
    NtsTlsParametersRefused,  // Host: the name the certificate must carry
    NtsNoAlpn,                // the server did not select "ntske/1"
    NtsNoTls13,               // the server offers no TLS 1.3
    NtsClosedInHandshake,     // the server hung up during the handshake
    NtsHandshakeFailed,       // Detail: OpenSSL's reason (empty when it gave none)
    NtsTlsFailed,             // Detail: OpenSSL's reason of a failed read (empty when it gave none)
    NtsCertificateWrongName,  // Host; Code: the certificate check's result
    NtsCertificateUnknownIssuer, // Code: the certificate check's result
    // Valid in every other respect: chain, name and signatures were checked.
    NtsCertificateExpired,    // Code; NotBefore, NotAfter: the server's certificate's validity; CheckedAt
    NtsCertificateNotYetValid, // Code; NotBefore, NotAfter; CheckedAt
    NtsCertificateRejected,   // Code; Detail: OpenSSL's words for the check's result
    NtsKeysNotExported,       // the TLS session gave no keys
    NtsResponseMalformed,     // Cause: one of the response's problems below
    NtsResponseIncomplete,    // the server ended before End of Message
    NtsServerErrorRecord,     // Code: the Error record's value
    NtsServerWarningRecord,   // Code: the first Warning record's value
    NtsNoProtocolChoice,      // no Next Protocol record
    NtsNoNtpV4,               // NTPv4 not among the protocols chosen
    NtsNoAeadChoice,          // no AEAD Algorithm record
    NtsNoAesSiv,              // AEAD_AES_SIV_CMAC_256 not chosen
    NtsNoCookieReceived,      // a valid response without any cookie

    // What makes a key exchange's response malformed (the Cause of NtsResponseMalformed).
    NtsRecordBadLength,       // Code: the record's type; Length: its body's length
    NtsRecordRepeated,        // Code: the record's type
    NtsRecordTooLong,         // Code: the record's type; Length: the limit
    NtsResponseTooLong,       // Length: the limit
    NtsBadServerName,         // the NTP Server record is no host name
    NtsPortZero,              // the NTP Port record says 0
    NtsUnknownCriticalRecord, // Code: the record's type

    // Sealing an NTS request (number KeyExchangeFailed).
    NtsCookiesUsedUp,         // the session has no cookie left
    NtsNoRandomNumbers,       // getrandom failed
    NtsNotSealed,             // the header or the cryptography refused

    // Authenticated exchanges (number ServerUnsynchronised).
    NtsCookiesRefused,        // NAKs and no authentic reply, also with the cookies of a key exchange of this run

    // Setting the clock (SystemError: the step's errno where the kernel gave one).
    ClockNoRight,             // no right of our own and no time service to ask for it
    ClockNotAuthorised,       // the time service asked, and authorisation was refused or cancelled
    ClockAutomaticSyncOn,     // the time service refuses while automatic synchronisation is on
    ClockNoAgent,             // authorisation needs a password, and no one can be asked for it
    ClockNoAnswer,            // the time service did not answer in time: it may still set the clock
    ClockStillPending,        // an earlier request may still be carried out: no second one was sent
    ClockRefused,             // refused for another reason
    ClockNoBus,               // no right of our own, and no system bus to reach the time service on
    ClockNoService,           // no right of our own, and no time service on the system bus
    ClockRightOutOfReach,     // the right cannot be had here, not even as root (a container)
    ClockServiceGone,         // the time service went away without answering
    ClockKernelRefused,       // the right was held, and the kernel still refused (a container)
    // The right itself (Number, SystemError: the system's error). Never shown
    // alone: a setting that could not raise the right is ClockNoRight, with
    // the raise's failure as its Cause.
    ClockRightRefused,        // the process may not raise it (not in its permitted set, no helper)
    ClockRightUnknown,        // this kernel does not know CAP_SYS_TIME
    ClockRightUnreadable,     // the process's capability sets could not be read
    ClockRightNotGivenUp,     // lowering or dropping the right failed

    // Stored NTS sessions. Detail: the folder's or the file's path.
    NtsStoreUnusable,         // Cause: why the folder is not used
    NtsStoredSessionUnusable, // Cause: why the session file is not used
    NtsSessionNotStored,      // Cause: why the folder or the new file could not be written
    NtsSessionOutOfBounds,    // the session exceeds what a file can hold
    // Why a folder or file of the store is not used (Causes of the three above).
    StoreNotFolder,
    StoreNotRegularFile,
    StoreSymbolicLink,
    StoreOtherOwner,          // Code: the owner's UID
    StoreOpenToOthers,        // Code: the mode bits
    StoreSystemError,         // SystemError: errno
    StoreFileDamaged,         // cut short or altered
    StoreFileForeign,         // not this program's session for this server

    // The measurement history. Detail: the file's path.
    HistoryNotWritten,        // Cause: one of the history's states below
    HistoryNotRead,           // the same, for reading it back
    HistoryNoLocation,        // no state folder can be named, or it cannot be made
    HistoryCannotOpen,        // the file cannot be opened or created
    HistoryBusy,              // another writer held the file past the busy time-out
    HistoryDamaged,           // not an SQLite database, or corrupt
    HistoryReadOnly,          // the file or its folder cannot be written
    HistoryNewerSchema,       // written by a newer program
    HistoryNotOpen,           // used before a successful open
    HistoryFailed,            // any other error of the database
};

// One flat value: the kind says which of the facts below mean anything.
struct Failure {
    // The error table's number: what "(Fehler Nr. %d)" shows and the
    // last-error value becomes; 0 for failures the user is told without one
    // (the clock's, the NTS store's and the history's).
    std::uint32_t Number = ErrorCode::Success;
    FailureKind Kind = FailureKind::Numbered;
    FailureKind Cause = FailureKind::Numbered; // for a kind that wraps another: the underlying one
    std::string Host;        // the host concerned, as named (typed, or as a key exchange named it)
    int Port = 0;            // its port, where the kind names one
    int SystemError = 0;     // errno, or getaddrinfo's code for a lookup
    long Code = 0;           // the kind's own code: a record type, an error record's value, a certificate check's result
    std::size_t Length = 0;  // a length or limit the kind names, in bytes
    std::string Detail;      // a library's own words (OpenSSL's reason) or a file's path, passed on as given
    std::int64_t NotBefore = 0; // a certificate's validity period, UTC Unix seconds, for the kinds about it
    std::int64_t NotAfter = 0;
    std::int64_t CheckedAt = 0; // the local clock's time a certificate was checked against, UTC Unix seconds
};

// A failure that only has its number.
inline Failure NumberedFailure(std::uint32_t number)
{
    Failure failure;
    failure.Number = number;
    return failure;
}

// The number the classic result leaves as last error: the failure's, or
// Success when there is none.
inline std::uint32_t NumberOf(const std::optional<Failure>& failure)
{
    return failure ? failure->Number : ErrorCode::Success;
}

// A failure of `kind` under `number`, its facts still to fill.
inline Failure FailureOf(FailureKind kind, std::uint32_t number = ErrorCode::Success)
{
    Failure failure;
    failure.Number = number;
    failure.Kind = kind;
    return failure;
}

// `cause` as the reason of a failure of `kind`: its facts and number kept,
// its kind moved to Cause.
inline Failure Wrapped(FailureKind kind, Failure cause)
{
    cause.Cause = cause.Kind;
    cause.Kind = kind;
    return cause;
}

} // namespace brisvander
