#include "summary/summary_sheet.h"

#include "model/values.h"
#include "ui/main/entry_panel.h"
#include "ui/main/flexgrid.h"
#include "ui/main/twips.h"


// Row heights measure the text of every row in the grid's font, and the six
// tables repeat the same lines: measuring shapes the text each time, so the
// widths are remembered for the current font and scale. Bounded, so that
// many distinct texts cannot grow it.

SummarySheet::SummarySheet(QWidget *parent) : QWidget(parent)
{
    grid = new FlexGrid(this);
    // The grid sits right below the tab captions and fills the sheet.
    grid->setTwipsGeometry(0, 0, 13455, 7695);
}

void SummarySheet::layoutGrid()
{
    grid->setCols(6);
    grid->setRows(100);
    const int w = grid->Width();
    const int widths[6] = {500, w - 4460, 1200, 1200, 1200, 0};
    for (int c = 0; c < 6; ++c)
        grid->setColWidth(c, widths[c]);
    grid->setRowHeight(0, 360);
    grid->setRow(0);
    for (int c = 1; c <= 4; ++c) {
        grid->setCol(c);
        grid->setCellAlignment(FlexGrid::CenterCenter);
    }
    const QStringList headers = {QStringLiteral("No."), QStringLiteral("項目"), QStringLiteral("収入"),
                                 QStringLiteral("支出"), QStringLiteral("残高")};
    for (int c = 0; c < headers.size(); ++c)
        grid->setTextMatrix(0, c, headers[c]);
    grid->setWordWrap(true);
}

static void growRow(FlexGrid *g, int row, qint16 &watermark)
{
    if (row + 1 > watermark) {
        g->setRows(row + 100);
        watermark = rowWatermark(row);
        for (int c = 2; c <= 4; ++c) {
            g->setRow(row);
            g->setCol(c);
            g->setCellAlignment(FlexGrid::RightCenter);
        }
    }
}

void SummarySheet::fillSummaryGrid(const MekaluArticle &incomeList, const MekaluArticle &supplyList,
                                   qint16 &watermark, int rowHeightUnit)
{
    FlexGrid *g = grid;
    int row = 1;
    watermark = 1;
    qint32 balance = 0;
    for (const MekaluArticle *list : {&incomeList, &supplyList}) {
        for (const MekaluArticle *e = list->taLink.get(); e; e = e->taLink.get()) {
            const qint32 amount = e->taAmount;
            const int amountCol = e->taIncome ? 2 : 3;
            const int otherCol = e->taIncome ? 3 : 2;
            balance = e->taIncome ? add32(balance, amount) : sub32(balance, amount);
            growRow(g, row, watermark);
            g->setTextMatrix(row, 0, Str(row));
            const QString text = e->taArticle + QLatin1Char(' ') + e->taSubArticle;
            g->setTextMatrix(row, 1, text);
            g->setRowHeight(row, wrappedRowHeight(g->font(), text, g->ColWidth(1), rowHeightUnit, g));
            g->setTextMatrix(row, amountCol, formatAmount(amount));
            g->setTextMatrix(row, otherCol, QString());
            g->setTextMatrix(row, 4, formatAmount(balance));
            g->setTextMatrix(row, 5, Str(e->taKey));
            g->setRow(row);
            g->setCol(amountCol);
            g->setCellForeColor(amount < 0 ? 255 : 0);
            g->setCol(4);
            g->setCellForeColor(balance >= 0 ? 0 : 255);
            ++row;
        }
    }
    growRow(g, row, watermark);
    g->setTextMatrix(row, 0, QString());
    g->setTextMatrix(row, 1, QStringLiteral("合　計"));
    g->setTextMatrix(row, 2, formatAmount(incomeList.sumArticle()));
    g->setTextMatrix(row, 3, formatAmount(-qint64(supplyList.sumArticle())));
    g->setTextMatrix(row, 4, formatAmount(balance));
    g->setTextMatrix(row, 5, QString());
    for (++row; row < g->Rows(); ++row) {
        for (int c = 0; c <= 4; ++c)
            g->setTextMatrix(row, c, QString());
    }
}

void SummarySheet::clearLastRow(qint16 &watermark)
{
    if (watermark > 1) {
        for (int c = 0; c <= 4; ++c)
            grid->setTextMatrix(watermark - 1, c, QString());
    }
    watermark = 1;
}

void SummarySheet::clearView(qint16 &watermark)
{
    if (watermark > 1) {
        for (int r = 1; r <= watermark - 1; ++r) {
            for (int c = 0; c <= 4; ++c)
                grid->setTextMatrix(r, c, QString());
        }
    }
    watermark = 1;
}
