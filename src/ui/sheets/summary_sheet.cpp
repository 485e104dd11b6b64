#include "ui/sheets/summary_sheet.h"

#include "model/values.h"
#include "ui/widgets/entry_panel.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/twips.h"

SummarySheet::SummarySheet(QWidget *parent) : QWidget(parent)
{
    m_grid = new FlexGrid(this);
    m_grid->setObjectName(QStringLiteral("grid"));
    // The grid sits right below the tab captions and fills the sheet.
    m_grid->setTwipsGeometry(0, 0, 13455, 7695);
}

void SummarySheet::layoutGrid()
{
    m_grid->setCols(6);
    m_grid->setRows(100);
    const int w = m_grid->Width();
    const int widths[6] = {500, w - 4460, 1200, 1200, 1200, 0};
    for (int c = 0; c < 6; ++c)
        m_grid->setColWidth(c, widths[c]);
    m_grid->setRowHeight(0, 360);
    m_grid->setRow(0);
    for (int c = 1; c <= 4; ++c) {
        m_grid->setCol(c);
        m_grid->setCellAlignment(FlexGrid::CenterCenter);
    }
    const QStringList headers = {QStringLiteral("No."), QStringLiteral("項目"), QStringLiteral("収入"),
                                 QStringLiteral("支出"), QStringLiteral("残高")};
    for (int c = 0; c < headers.size(); ++c)
        m_grid->setTextMatrix(0, c, headers[c]);
    m_grid->setWordWrap(true);
}

static void growRow(FlexGrid *g, int row, qint16 &watermark)
{
    if (row + 1 > watermark) {
        g->setRows(row + 100);
        watermark = nextWatermark(row);
        for (int c = 2; c <= 4; ++c) {
            g->setRow(row);
            g->setCol(c);
            g->setCellAlignment(FlexGrid::RightCenter);
        }
    }
}

void SummarySheet::fillSummaryGrid(const PeriodSummary &period, int rowHeightUnit)
{
    m_grid->setPendingFill([this, period, rowHeightUnit] { fillNow(period, rowHeightUnit); });
}

void SummarySheet::fillNow(const PeriodSummary &period, int rowHeightUnit)
{
    FlexGrid *g = m_grid;
    qint16 &watermark = summaryRowWatermark;
    const SummaryTable table = summaryTable(period);
    int row = 1;
    watermark = 1;
    for (const SummaryRow &r : table.rows) {
        const MekaluArticle &e = *r.line;
        const qint32 amount = e.taAmount;
        const int amountCol = e.taIncome ? 2 : 3;
        const int otherCol = e.taIncome ? 3 : 2;
        growRow(g, row, watermark);
        g->setTextMatrix(row, 0, Str(row));
        const QString text = e.taArticle + QLatin1Char(' ') + e.taSubArticle;
        g->setTextMatrix(row, 1, text);
        g->setRowHeight(row, wrappedRowHeight(g->font(), text, g->ColWidth(1), rowHeightUnit, g));
        g->setTextMatrix(row, amountCol, formatAmount(amount));
        g->setTextMatrix(row, otherCol, QString());
        g->setTextMatrix(row, 4, formatAmount(r.balance));
        g->setTextMatrix(row, 5, Str(e.taKey));
        g->setRow(row);
        g->setCol(amountCol);
        g->setCellForeColor(amount < 0 ? 255 : 0);
        g->setCol(4);
        g->setCellForeColor(r.balance >= 0 ? 0 : 255);
        ++row;
    }
    growRow(g, row, watermark);
    g->setTextMatrix(row, 0, QString());
    g->setTextMatrix(row, 1, QStringLiteral("合　計"));
    g->setTextMatrix(row, 2, formatAmount(table.incomeTotal));
    g->setTextMatrix(row, 3, formatAmount(table.expenseTotal));
    g->setTextMatrix(row, 4, formatAmount(table.balance));
    g->setTextMatrix(row, 5, QString());
    for (++row; row < g->Rows(); ++row) {
        for (int c = 0; c <= 4; ++c)
            g->setTextMatrix(row, c, QString());
    }
}

void SummarySheet::clearLastRow()
{
    if (summaryRowWatermark > 1) {
        for (int c = 0; c <= 4; ++c)
            m_grid->setTextMatrix(summaryRowWatermark - 1, c, QString());
    }
    summaryRowWatermark = 1;
}

void SummarySheet::clearView()
{
    if (summaryRowWatermark > 1) {
        for (int r = 1; r <= summaryRowWatermark - 1; ++r) {
            for (int c = 0; c <= 4; ++c)
                m_grid->setTextMatrix(r, c, QString());
        }
    }
    summaryRowWatermark = 1;
}
