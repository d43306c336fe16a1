#pragma once
// The listing of measurements and steps as text for a person, as CSV, or
// as JSON Lines (one object per line, so a listing of any length streams).
// Pure functions over the rows; the caller writes the header once and then
// one line per entry, in time order.
//
// Fields, in CSV's order and under JSON's names: time (UTC, ISO 8601 with
// microseconds), type ("measurement" or "step"), host, address, port,
// source (HistoryRecords.h), success, error, clock_offset (s, server minus
// local), roundtrip_delay (s), stratum, root_delay (s), root_dispersion (s),
// nts, interleaved; a step has time, type, host, step (s, positive: set
// forward) and way. Unknown values are empty in CSV and null in JSON; CSV
// writes true as 1 and false as 0.
#include "HistoryRecords.h"

#include <string>

namespace brisvander {

enum class ListingFormat {
    Text,      // aligned columns, German heads; host and address escaped (HistoryText.h)
    Csv,       // RFC 4180: a header row, CRLF line ends, quoted where needed; text fields escaped
    JsonLines, // one compact object per line, no header
};

// What comes before the first entry, line end included; empty for JSON Lines.
std::string ListingHeader(ListingFormat format);

// One entry as one line, line end included.
std::string ListingLine(ListingFormat format, const HistoryEntry& entry);

} // namespace brisvander
