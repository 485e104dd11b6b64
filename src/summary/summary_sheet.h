#pragma once

#include "model/article.h"

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
    // Fills the grid from the period's two lists; `watermark` is the grid's
    // row watermark in the application state.
    void fillSummaryGrid(const MekaluArticle &incomeList, const MekaluArticle &supplyList,
                         qint16 &watermark, int rowHeightUnit);
    // Blanks the last formatted row (after a deletion) and resets the watermark.
    void clearLastRow(qint16 &watermark);
    // Blanks what the grid shows of the document (Close).
    void clearView(qint16 &watermark);

    FlexGrid *grid = nullptr;
};
