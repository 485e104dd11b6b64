// One period's summary as its sheet's grid shows it: the income lines (the
// carry-over first), the expense lines, each with the running balance, and
// the totals row. Worked out when its grid first fetches rows after
// refresh(), from a copy of the period, so that summaries computed again
// meanwhile never pull lines from under it.
#pragma once

#include "summary/summaries.h"
#include "ui/widgets/grid_table.h"

#include <functional>
#include <optional>

class SummaryTableModel : public GridTable {
public:
    // `period` gives the period's summary as it is now; none when it
    // cannot be worked out (a total too large: the window says so).
    explicit SummaryTableModel(std::function<std::optional<PeriodSummary>()> period, QObject *parent = nullptr);

    // The period changed: its rows are worked out again when next fetched.
    void refresh();

private:
    void prepareFetch() override;
    QString text(int row, int col) const override;
    QColor color(int row, int col) const override;
    QString number(int row) const override;
    void fetchItems(int, int) override {}
    void dropItems() override;
    bool isTotal(int row) const { return row == int(m_table.rows.size()); }

    std::function<std::optional<PeriodSummary>()> m_period;
    PeriodSummary m_summary; // what m_table points into
    SummaryTable m_table;
    bool m_stale = true;
};
