#pragma once
// The drift report as text for a person and as JSON. Pure functions.
//
// JSON, one object on one line:
//   {"servers": [{"host", "drift_ppm", "drift_ppm_uncertainty",
//                 "seconds_per_day", "measurements", "span_seconds"}, ...],
//    "combined": {the same fields but host} or null}
// drift_ppm is positive when the local clock runs fast; seconds_per_day has
// the same sign; the uncertainty is one standard error.
#include "DriftEstimator.h"

#include <string>

namespace brisvander {

// One line per server and one for all together, under German column heads;
// hosts escaped (HistoryText.h). Without any estimate, one line that says
// what it takes.
std::string DriftReportText(const DriftReport& report);

// The JSON above, "\n" after it.
std::string DriftReportJson(const DriftReport& report);

} // namespace brisvander
