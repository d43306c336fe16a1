#include "SqlStatus.h"

namespace brisvander {

HistoryStatus StatusOfSqlError(const QSqlError& error)
{
    if (error.type() == QSqlError::NoError)
        return HistoryStatus::Ok;
    bool isNumber = false;
    const int code = error.nativeErrorCode().toInt(&isNumber);
    if (!isNumber || code == 0)
        return error.type() == QSqlError::ConnectionError ? HistoryStatus::CannotOpen : HistoryStatus::Failed;
    return HistoryStatusFromSqliteCode(code);
}

HistoryStatus ExecuteStatement(QSqlQuery& query, const QString& statement)
{
    if (query.exec(statement))
        return HistoryStatus::Ok;
    const HistoryStatus status = StatusOfSqlError(query.lastError());
    return status == HistoryStatus::Ok ? HistoryStatus::Failed : status;
}

} // namespace brisvander
