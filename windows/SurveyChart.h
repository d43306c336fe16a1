#pragma once
// The survey as a picture (Qt Charts): one row per answering server, its
// offset as a mark and the interval the verdict gives it (offset ± delay/2
// + root delay/2 + root dispersion) as a bar; disagreeing servers in red
// with square marks, the consensus as a vertical line. Series carry object
// names for a reader: "interval:<host>", "agrees", "disagrees", "undecided"
// and "consensus".
#include "SurveyOutcome.h"
#include "SurveyVerdict.h"

#include <QChart>

#include <span>

class QCategoryAxis;
class QValueAxis;

namespace brisvander {

class SurveyChart : public QChart {
public:
    SurveyChart();

    // Draws the answering hosts in the table's order, top to bottom, in
    // place of what was drawn; `verdict` is JudgeSurvey's for `hosts`.
    void Show(std::span<const HostSurvey> hosts, const SurveyVerdict& verdict);
    // Rows drawn: the answering hosts.
    int Rows() const { return m_rows; }
    // The axes: the offset in ms along, a host's name for each row up.
    QValueAxis* OffsetAxis() const { return m_offset; }
    QCategoryAxis* ServerAxis() const { return m_servers; }

private:
    void Attach(QAbstractSeries* series);

    QValueAxis* m_offset = nullptr;
    QCategoryAxis* m_servers = nullptr;
    int m_rows = 0;
};

} // namespace brisvander
