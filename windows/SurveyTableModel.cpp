#include "SurveyTableModel.h"

#include "ErrorCodes.h"
#include "SurveyTable.h"

#include <QBrush>
#include <QColor>

#include <limits>

namespace brisvander {

namespace {
enum Column { ServerColumn, AddressColumn, StratumColumn, ReferenceColumn, OffsetColumn, DelayColumn, NtsColumn, VerdictColumn };

QStringList ToQt(const std::vector<std::string>& texts)
{
    QStringList list;
    for (const std::string& text : texts)
        list << QString::fromStdString(text);
    return list;
}

bool Interrupted(const HostSurvey& host)
{
    return !host.Answered() && host.Failure == SurveyFailure::NoAnswer && host.Error == ErrorCode::Interrupted;
}
} // namespace

SurveyTableModel::SurveyTableModel(QObject* parent) : QAbstractTableModel(parent), m_heads(ToQt(SurveyTableHeads())) {}

void SurveyTableModel::SetSurvey(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict)
{
    beginResetModel();
    m_rows.clear();
    int rank = 0;
    for (const std::size_t i : SurveyTableOrder(hosts, verdict)) {
        Row row{ToQt(SurveyTableRow(hosts[i], verdict.Verdicts[i])), hosts[i], verdict.Verdicts[i], rank++};
        // A host the cancelled survey never got to has no answer to judge.
        if (Interrupted(hosts[i]))
            row.Cells[VerdictColumn] = QStringLiteral("abgebrochen");
        m_rows.push_back(std::move(row));
    }
    endResetModel();
}

void SurveyTableModel::Clear()
{
    beginResetModel();
    m_rows.clear();
    endResetModel();
}

int SurveyTableModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int SurveyTableModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : m_heads.size(); }

QVariant SurveyTableModel::SortValue(const Row& row, int column) const
{
    const bool answered = row.Host.Answered();
    constexpr double Last = std::numeric_limits<double>::max();
    switch (column) {
    case StratumColumn: return answered ? row.Host.Stratum : 99;
    case OffsetColumn: return answered ? row.Host.Offset : Last;
    case DelayColumn: return answered ? row.Host.Delay : Last;
    case VerdictColumn: return row.Rank;
    default: return row.Cells[column].toLower();
    }
}

QVariant SurveyTableModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const Row& row = m_rows[static_cast<std::size_t>(index.row())];
    switch (role) {
    case Qt::DisplayRole: return row.Cells[index.column()];
    case SortRole: return SortValue(row, index.column());
    case HostRole: return QString::fromStdString(row.Host.Host);
    case Qt::TextAlignmentRole: {
        const bool number = index.column() == StratumColumn || index.column() == OffsetColumn || index.column() == DelayColumn;
        return QVariant::fromValue(Qt::AlignVCenter | (number ? Qt::AlignRight : Qt::AlignLeft));
    }
    case Qt::ForegroundRole:
        if (index.column() == VerdictColumn && row.Verdict == ServerVerdict::Disagrees)
            return QBrush(QColor(0xb0, 0x20, 0x20));
        return {};
    default: return {};
    }
}

QVariant SurveyTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_heads.size())
        return m_heads[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

} // namespace brisvander
