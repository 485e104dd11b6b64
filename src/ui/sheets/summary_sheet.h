#pragma once

#include "summary/summaries.h"

#include <QWidget>

class FlexGrid;

// One period summary sheet: a display-only grid listing the period's income
// rows (the carry-over first), then its expense rows, with a running balance
// and a totals row.
class SummarySheet : public QWidget {
    Q_OBJECT
public:
    explicit SummarySheet(QWidget *parent = nullptr);

    void layoutGrid();
    // Fills the grid from the period's two lists when it is next shown or read.
    void fillSummaryGrid(const PeriodSummary &period, int rowHeightUnit);
    // Blanks the last formatted row (after a deletion) and resets the watermark.
    void clearLastRow();
    // Blanks what the grid shows of the document (Close).
    void clearView();

    // Back to the state of a new document: no row formatted.
    void resetState() { summaryRowWatermark = 0; }

    FlexGrid *grid() const { return m_grid; }

private:
    void fillNow(const PeriodSummary &period, int rowHeightUnit);

    FlexGrid *m_grid = nullptr;
    // The highest row formatted, plus one.
    qint16 summaryRowWatermark = 0;
};
