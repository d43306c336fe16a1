#include "HistoryReader.h"

#include "SqlStatus.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QStringList>
#include <QVariant>

#include <vector>

namespace brisvander {

namespace {
const char* const kMeasurementColumns =
    "time_us, host, address, port, source, success, error, offset_s, delay_s, stratum, root_delay_s,"
    " root_dispersion_s, nts, interleaved";

const char* const kTimeOrder = "time_us, id";

// SELECT columns FROM table [WHERE ...] ORDER BY order, forward only.
HistoryStatus RunSelect(QSqlQuery& query, const char* columns, const char* table, const char* condition,
                        const HistoryFilter& filter, const char* order = kTimeOrder)
{
    QStringList conditions;
    if (condition != nullptr)
        conditions << QString::fromLatin1(condition);
    if (filter.SinceMicroseconds)
        conditions << QStringLiteral("time_us >= :since");
    if (filter.Host)
        conditions << QStringLiteral("host = :host");
    QString sql = QStringLiteral("SELECT %1 FROM %2").arg(QString::fromLatin1(columns), QString::fromLatin1(table));
    if (!conditions.isEmpty())
        sql += QStringLiteral(" WHERE ") + conditions.join(QStringLiteral(" AND "));
    sql += QStringLiteral(" ORDER BY ") + QString::fromLatin1(order);
    query.setForwardOnly(true);
    if (query.prepare(sql)) {
        if (filter.SinceMicroseconds)
            query.bindValue(QStringLiteral(":since"), static_cast<qlonglong>(*filter.SinceMicroseconds));
        if (filter.Host)
            query.bindValue(QStringLiteral(":host"), QString::fromStdString(*filter.Host));
        if (query.exec())
            return HistoryStatus::Ok;
    }
    const HistoryStatus status = StatusOfSqlError(query.lastError());
    return status == HistoryStatus::Ok ? HistoryStatus::Failed : status;
}

std::optional<double> OptionalDouble(const QVariant& value)
{
    return value.isNull() ? std::nullopt : std::optional<double>(value.toDouble());
}

std::optional<MeasurementRecord> MeasurementFromRow(const QSqlQuery& query)
{
    const std::optional<MeasurementSource> source = ParseMeasurementSource(query.value(4).toString().toStdString());
    if (!source)
        return std::nullopt;
    MeasurementRecord record;
    record.UnixMicroseconds = query.value(0).toLongLong();
    record.Host = query.value(1).toString().toStdString();
    if (const QVariant address = query.value(2); !address.isNull())
        record.Address = address.toString().toStdString();
    record.Port = query.value(3).toInt();
    record.Source = *source;
    record.Succeeded = query.value(5).toInt() != 0;
    record.Error = query.value(6).toLongLong();
    record.OffsetSeconds = OptionalDouble(query.value(7));
    record.DelaySeconds = OptionalDouble(query.value(8));
    if (const QVariant stratum = query.value(9); !stratum.isNull())
        record.Stratum = stratum.toInt();
    record.RootDelaySeconds = OptionalDouble(query.value(10));
    record.RootDispersionSeconds = OptionalDouble(query.value(11));
    record.Nts = query.value(12).toInt() != 0;
    record.Interleaved = query.value(13).toInt() != 0;
    return record;
}

std::optional<ClockStepRecord> StepFromRow(const QSqlQuery& query)
{
    const std::optional<StepWay> way = ParseStepWay(query.value(3).toString().toStdString());
    if (!way)
        return std::nullopt;
    return ClockStepRecord{query.value(0).toLongLong(), query.value(1).toString().toStdString(),
                           query.value(2).toDouble(), *way};
}

// How a walk over the rows ended: Ok at their end or when told to stop.
HistoryStatus EndOfRows(const QSqlQuery& query) { return StatusOfSqlError(query.lastError()); }
} // namespace

HistoryStatus ForEachMeasurement(const HistoryStore& store, const HistoryFilter& filter,
                                 const std::function<bool(const MeasurementRecord&)>& visit)
{
    if (!store.IsOpen())
        return HistoryStatus::NotOpen;
    QSqlQuery query(QSqlDatabase::database(store.ConnectionName(), false));
    if (const HistoryStatus status = RunSelect(query, kMeasurementColumns, "measurements", nullptr, filter);
        status != HistoryStatus::Ok)
        return status;
    while (query.next())
        if (const std::optional<MeasurementRecord> record = MeasurementFromRow(query); record && !visit(*record))
            return HistoryStatus::Ok;
    return EndOfRows(query);
}

HistoryStatus ForEachStep(const HistoryStore& store, const HistoryFilter& filter,
                          const std::function<bool(const ClockStepRecord&)>& visit)
{
    if (!store.IsOpen())
        return HistoryStatus::NotOpen;
    QSqlQuery query(QSqlDatabase::database(store.ConnectionName(), false));
    if (const HistoryStatus status = RunSelect(query, "time_us, host, step_s, way", "clock_steps", nullptr, filter);
        status != HistoryStatus::Ok)
        return status;
    while (query.next())
        if (const std::optional<ClockStepRecord> step = StepFromRow(query); step && !visit(*step))
            return HistoryStatus::Ok;
    return EndOfRows(query);
}

HistoryStatus ForEachEntry(const HistoryStore& store, const HistoryFilter& filter,
                           const std::function<bool(const HistoryEntry&)>& visit)
{
    // Steps are few: held in memory and merged into the measurements' stream.
    std::vector<ClockStepRecord> steps;
    HistoryStatus status = ForEachStep(store, filter, [&steps](const ClockStepRecord& step) {
        steps.push_back(step);
        return true;
    });
    if (status != HistoryStatus::Ok)
        return status;
    std::size_t next = 0;
    bool stopped = false;
    status = ForEachMeasurement(store, filter, [&](const MeasurementRecord& record) {
        for (; next < steps.size() && steps[next].UnixMicroseconds <= record.UnixMicroseconds; ++next) {
            if (!visit(steps[next])) {
                stopped = true;
                return false;
            }
        }
        stopped = !visit(record);
        return !stopped;
    });
    for (; status == HistoryStatus::Ok && !stopped && next < steps.size(); ++next)
        stopped = !visit(steps[next]);
    return status;
}

HistoryStatus ForEachDriftPoint(
    const HistoryStore& store, const HistoryFilter& filter,
    const std::function<void(std::string_view host, std::int64_t id, const DriftPoint&)>& visit)
{
    if (!store.IsOpen())
        return HistoryStatus::NotOpen;
    QSqlQuery query(QSqlDatabase::database(store.ConnectionName(), false));
    if (const HistoryStatus status =
            RunSelect(query, "host, time_us, offset_s, delay_s, id", "measurements",
                      "success = 1 AND offset_s IS NOT NULL AND delay_s IS NOT NULL", filter, "id");
        status != HistoryStatus::Ok)
        return status;
    // Rows mostly repeat the host of the row before: convert it only when it changes.
    QString lastHost;
    std::string host;
    while (query.next()) {
        const QString rowHost = query.value(0).toString();
        if (rowHost != lastHost || host.empty()) {
            lastHost = rowHost;
            host = rowHost.toStdString();
        }
        visit(host, query.value(4).toLongLong(),
              DriftPoint{query.value(1).toLongLong(), query.value(2).toDouble(), query.value(3).toDouble()});
    }
    return EndOfRows(query);
}

HistoryStatus ReadStepPositions(const HistoryStore& store, std::vector<std::int64_t>& positions)
{
    if (!store.IsOpen())
        return HistoryStatus::NotOpen;
    QSqlQuery query(QSqlDatabase::database(store.ConnectionName(), false));
    if (const HistoryStatus status = RunSelect(query, "measurements_before", "clock_steps", nullptr, {}, "id");
        status != HistoryStatus::Ok)
        return status;
    while (query.next())
        positions.push_back(query.value(0).toLongLong());
    return EndOfRows(query);
}

} // namespace brisvander
