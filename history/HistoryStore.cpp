#include "HistoryStore.h"

#include "HistorySchema.h"
#include "SqlStatus.h"
#include "StateLocation.h"

#include <QSqlDatabase>
#include <QSqlQuery>
#include <QVariant>

#include <atomic>
#include <chrono>
#include <thread>
#include <cerrno>
#include <unistd.h>

namespace brisvander {

namespace {
const char* const kInsertMeasurement =
    "INSERT INTO measurements (time_us, host, address, port, source, success, error, offset_s, delay_s,"
    " stratum, root_delay_s, root_dispersion_s, nts, interleaved)"
    " VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)";

QString NewConnectionName()
{
    static std::atomic<unsigned> counter{0};
    return QStringLiteral("brisvander-history-%1-%2").arg(getpid()).arg(counter.fetch_add(1));
}

QString Text(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

template <typename T>
QVariant Nullable(const std::optional<T>& value)
{
    return value ? QVariant::fromValue(*value) : QVariant();
}

void BindMeasurement(QSqlQuery& query, const MeasurementRecord& record)
{
    query.bindValue(0, static_cast<qlonglong>(record.UnixMicroseconds));
    query.bindValue(1, Text(record.Host));
    query.bindValue(2, record.Address ? QVariant(Text(*record.Address)) : QVariant());
    query.bindValue(3, record.Port);
    query.bindValue(4, Text(MeasurementSourceName(record.Source)));
    query.bindValue(5, record.Succeeded ? 1 : 0);
    query.bindValue(6, static_cast<qlonglong>(record.Error));
    query.bindValue(7, Nullable(record.OffsetSeconds));
    query.bindValue(8, Nullable(record.DelaySeconds));
    query.bindValue(9, Nullable(record.Stratum));
    query.bindValue(10, Nullable(record.RootDelaySeconds));
    query.bindValue(11, Nullable(record.RootDispersionSeconds));
    query.bindValue(12, record.Nts ? 1 : 0);
    query.bindValue(13, record.Interleaved ? 1 : 0);
}

HistoryStatus StatusOfFailed(const QSqlQuery& query)
{
    const HistoryStatus status = StatusOfSqlError(query.lastError());
    return status == HistoryStatus::Ok ? HistoryStatus::Failed : status;
}

std::optional<int> ReadUserVersion(QSqlQuery& query, HistoryStatus& status)
{
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        status = StatusOfFailed(query);
        return std::nullopt;
    }
    const int version = query.value(0).toInt();
    query.finish();
    return version;
}

HistoryStatus Rollback(QSqlQuery& query, HistoryStatus status)
{
    query.exec(QStringLiteral("ROLLBACK"));
    return status;
}

// Takes a file of an older layout (0: empty) up to kHistorySchemaVersion.
// The write lock is taken before the version is read again, so two
// programs opening a new file at once migrate it once.
HistoryStatus Migrate(QSqlQuery& query)
{
    HistoryStatus status = HistoryStatus::Ok;
    std::optional<int> version = ReadUserVersion(query, status);
    if (!version || *version == kHistorySchemaVersion)
        return status;
    if (*version > kHistorySchemaVersion)
        return HistoryStatus::NewerSchema;
    if (*version < 0)
        return HistoryStatus::Damaged;
    if ((status = ExecuteStatement(query, QStringLiteral("BEGIN IMMEDIATE"))) != HistoryStatus::Ok)
        return status;
    if (!(version = ReadUserVersion(query, status)))
        return Rollback(query, status);
    for (int from = *version; from < kHistorySchemaVersion; ++from)
        for (std::string_view statement : MigrationStatements(from))
            if ((status = ExecuteStatement(query, Text(statement))) != HistoryStatus::Ok)
                return Rollback(query, status);
    status = ExecuteStatement(query, QStringLiteral("PRAGMA user_version = %1").arg(kHistorySchemaVersion));
    if (status != HistoryStatus::Ok)
        return Rollback(query, status);
    if ((status = ExecuteStatement(query, QStringLiteral("COMMIT"))) != HistoryStatus::Ok)
        return Rollback(query, status);
    return HistoryStatus::Ok;
}

// WAL lasts in the file. The switch needs the file to itself, and SQLite
// answers "busy" at once instead of waiting when another connection is
// switching or migrating a new file, so it is tried again for as long as a
// write would wait.
HistoryStatus SwitchToWal(QSqlQuery& query)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(kHistoryBusyTimeoutMs);
    for (;;) {
        const HistoryStatus status = ExecuteStatement(query, QStringLiteral("PRAGMA journal_mode = WAL"));
        query.finish();
        if (status != HistoryStatus::Busy || std::chrono::steady_clock::now() > deadline)
            return status;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

// synchronous=NORMAL (per connection): in WAL mode a commit does not wait
// for the disk, only a checkpoint does (at the latest when the last
// connection closes). OFF would save that wait, but a power cut in the
// seconds after a run could then damage the file and lose the whole record.
HistoryStatus PrepareFile(QSqlDatabase& database)
{
    QSqlQuery query(database);
    HistoryStatus status = SwitchToWal(query);
    if (status == HistoryStatus::Ok)
        status = ExecuteStatement(query, QStringLiteral("PRAGMA synchronous = NORMAL"));
    if (status == HistoryStatus::Ok)
        status = Migrate(query);
    return status;
}

HistoryStatus StatusOfFolderError(int error)
{
    return error == EACCES || error == EPERM || error == EROFS ? HistoryStatus::ReadOnly : HistoryStatus::CannotOpen;
}

// The server's time of the newest successful row: local time plus offset.
std::optional<std::int64_t> TrustedNow(std::span<const MeasurementRecord> records)
{
    for (auto record = records.rbegin(); record != records.rend(); ++record)
        if (record->Succeeded && record->OffsetSeconds)
            return record->UnixMicroseconds + static_cast<std::int64_t>(*record->OffsetSeconds * 1e6);
    return std::nullopt;
}
} // namespace

std::string DefaultHistoryPath()
{
    const std::string folder = BrisvanderStateDirectory();
    return folder.empty() ? std::string() : folder + "/history.sqlite";
}

HistoryStore::HistoryStore(RetentionPolicy retention) : m_retention(retention), m_connection(NewConnectionName()) {}

HistoryStore::~HistoryStore() { Close(); }

HistoryStatus HistoryStore::Open(const std::string& path)
{
    Close();
    if (path.empty())
        return HistoryStatus::NoLocation;
    const std::size_t slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeFolders(path.substr(0, slash), 0700))
        return StatusOfFolderError(errno);
    HistoryStatus status = HistoryStatus::Ok;
    {
        QSqlDatabase database = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
        database.setDatabaseName(QString::fromStdString(path));
        database.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kHistoryBusyTimeoutMs));
        if (!database.isValid() || !database.open()) {
            status = StatusOfSqlError(database.lastError());
            if (status == HistoryStatus::Ok || status == HistoryStatus::Failed)
                status = HistoryStatus::CannotOpen;
        } else {
            status = PrepareFile(database);
        }
    }
    if (status != HistoryStatus::Ok) {
        Close();
        return status;
    }
    m_open = true;
    return HistoryStatus::Ok;
}

void HistoryStore::Close()
{
    if (!QSqlDatabase::contains(m_connection))
        return;
    QSqlDatabase::database(m_connection, false).close();
    QSqlDatabase::removeDatabase(m_connection);
    m_open = false;
}

HistoryStatus HistoryStore::AppendMeasurement(const MeasurementRecord& record)
{
    return AppendMeasurements(std::span<const MeasurementRecord>(&record, 1));
}

HistoryStatus HistoryStore::AppendMeasurements(std::span<const MeasurementRecord> records)
{
    if (!m_open)
        return HistoryStatus::NotOpen;
    if (records.empty())
        return HistoryStatus::Ok;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    // One row is a transaction of its own without BEGIN and COMMIT.
    const bool batch = records.size() > 1;
    HistoryStatus status = HistoryStatus::Ok;
    if (batch && (status = ExecuteStatement(query, QStringLiteral("BEGIN IMMEDIATE"))) != HistoryStatus::Ok)
        return status;
    if (!query.prepare(QString::fromLatin1(kInsertMeasurement)))
        return batch ? Rollback(query, StatusOfFailed(query)) : StatusOfFailed(query);
    std::int64_t firstId = 0, lastId = 0;
    for (const MeasurementRecord& record : records) {
        BindMeasurement(query, record);
        if (!query.exec())
            return batch ? Rollback(query, StatusOfFailed(query)) : StatusOfFailed(query);
        lastId = query.lastInsertId().toLongLong();
        if (firstId == 0)
            firstId = lastId;
    }
    query.finish();
    if (batch && (status = ExecuteStatement(query, QStringLiteral("COMMIT"))) != HistoryStatus::Ok)
        return Rollback(query, status);
    return TrimAfterInsert(firstId, lastId, records);
}

HistoryStatus HistoryStore::TrimAfterInsert(std::int64_t firstId, std::int64_t lastId,
                                            std::span<const MeasurementRecord> records)
{
    // The rows are written; a trim that fails now is tried at the next due row.
    if (IsTrimDue(firstId, lastId, m_retention))
        Trim(lastId, TrustedNow(records));
    return HistoryStatus::Ok;
}

HistoryStatus HistoryStore::AppendStep(const ClockStepRecord& step)
{
    if (!m_open)
        return HistoryStatus::NotOpen;
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    if (!query.prepare(QStringLiteral(
            "INSERT INTO clock_steps (time_us, host, step_s, way, measurements_before) VALUES (?, ?, ?, ?,"
            " COALESCE((SELECT seq FROM sqlite_sequence WHERE name = 'measurements'), 0))")))
        return StatusOfFailed(query);
    query.bindValue(0, static_cast<qlonglong>(step.UnixMicroseconds));
    query.bindValue(1, Text(step.Host));
    query.bindValue(2, step.StepSeconds);
    query.bindValue(3, Text(StepWayName(step.Way)));
    return query.exec() ? HistoryStatus::Ok : StatusOfFailed(query);
}

HistoryStatus HistoryStore::Trim(std::int64_t newestId, std::optional<std::int64_t> nowMicroseconds)
{
    if (!m_open)
        return HistoryStatus::NotOpen;
    const RetentionCut cut = CutFor(newestId, nowMicroseconds, m_retention);
    QSqlQuery query(QSqlDatabase::database(m_connection, false));
    // Two statements, each over an index: the rowid, and the time.
    if (cut.RemoveIdsUpTo > 0) {
        if (!query.prepare(QStringLiteral("DELETE FROM measurements WHERE id <= ?")))
            return StatusOfFailed(query);
        query.bindValue(0, static_cast<qlonglong>(cut.RemoveIdsUpTo));
        if (!query.exec())
            return StatusOfFailed(query);
    }
    if (cut.RemoveBefore) {
        if (!query.prepare(QStringLiteral("DELETE FROM measurements WHERE time_us < ?")))
            return StatusOfFailed(query);
        query.bindValue(0, static_cast<qlonglong>(*cut.RemoveBefore));
        if (!query.exec())
            return StatusOfFailed(query);
    }
    return HistoryStatus::Ok;
}

} // namespace brisvander
