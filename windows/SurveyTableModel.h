#pragma once
// The survey's table as a Qt item model: one row per host, the survey
// room's columns and cells, sortable by value through SortRole (offsets and
// delays as numbers, the verdict column in the table's own order).
#include "SurveyOutcome.h"
#include "SurveyVerdict.h"

#include <QAbstractTableModel>
#include <QStringList>

#include <span>
#include <vector>

namespace brisvander {

class SurveyTableModel : public QAbstractTableModel {
public:
    static constexpr int SortRole = Qt::UserRole;     // a value that sorts the column as a person expects
    static constexpr int HostRole = Qt::UserRole + 1; // the row's host as given, in every column

    explicit SurveyTableModel(QObject* parent = nullptr);

    // The rows of a finished (or cancelled) survey, agreeing servers first
    // (SurveyTableOrder); `verdict` is JudgeSurvey's for `hosts`.
    void SetSurvey(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict);
    // No rows, as before a survey.
    void Clear();

    // Qt's item model: rows, the eight columns, each cell's text, alignment,
    // colour (a disagreeing verdict in red), SortRole and HostRole.
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    struct Row {
        QStringList Cells;
        HostSurvey Host;
        ServerVerdict Verdict = ServerVerdict::NoAnswer;
        int Rank = 0; // place in the table's own order
    };
    QVariant SortValue(const Row& row, int column) const;

    QStringList m_heads;
    std::vector<Row> m_rows;
};

} // namespace brisvander
