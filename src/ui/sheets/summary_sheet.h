#pragma once

#include "ui/models/summary_table_model.h"

#include <QWidget>

class FlexGrid;

// One period summary sheet: a display-only grid listing the period's income
// rows (the carry-over first), then its expense rows, with a running balance
// and a totals row.
class SummarySheet : public QWidget {
    Q_OBJECT
public:
    // `period` gives the period's summary as it is now (none: it cannot be worked out).
    SummarySheet(std::function<std::optional<PeriodSummary>()> period, QWidget *parent = nullptr);

    void layoutGrid();
    // The period changed: the grid shows it anew when next shown or read.
    void refresh() { m_table.refresh(); }

    FlexGrid *grid() const { return m_grid; }
    SummaryTableModel &table() { return m_table; }

private:
    SummaryTableModel m_table;
    FlexGrid *m_grid = nullptr;
};
