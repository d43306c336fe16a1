#pragma once
// The HistoryStatus behind a Qt SQL error of the SQLite driver. Within the
// room only.
#include "HistoryStatus.h"

#include <QSqlError>
#include <QSqlQuery>

namespace brisvander {

// Ok when `error` is no error; Failed when it carries no SQLite code.
HistoryStatus StatusOfSqlError(const QSqlError& error);

// Runs one statement without results on `query`'s connection.
HistoryStatus ExecuteStatement(QSqlQuery& query, const QString& statement);

} // namespace brisvander
