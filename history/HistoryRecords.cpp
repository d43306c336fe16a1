#include "HistoryRecords.h"

#include <array>
#include <utility>

namespace brisvander {

namespace {
constexpr std::array<std::pair<MeasurementSource, std::string_view>, 5> kSourceNames{{
    {MeasurementSource::Info, "info"},
    {MeasurementSource::Sync, "sync"},
    {MeasurementSource::Sample, "sample"},
    {MeasurementSource::Watch, "watch"},
    {MeasurementSource::Survey, "survey"},
}};
} // namespace

std::string_view MeasurementSourceName(MeasurementSource source)
{
    for (const auto& [value, name] : kSourceNames)
        if (value == source)
            return name;
    return "info";
}

std::optional<MeasurementSource> ParseMeasurementSource(std::string_view name)
{
    for (const auto& [value, known] : kSourceNames)
        if (known == name)
            return value;
    return std::nullopt;
}

std::string_view StepWayName(StepWay way) { return way == StepWay::Service ? "service" : "capability"; }

std::optional<StepWay> ParseStepWay(std::string_view name)
{
    if (name == "capability")
        return StepWay::Capability;
    if (name == "service")
        return StepWay::Service;
    return std::nullopt;
}

} // namespace brisvander
