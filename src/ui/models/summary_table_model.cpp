#include "ui/models/summary_table_model.h"

#include "model/values.h"

namespace {

constexpr Qt::Alignment L = Qt::AlignLeft, C = Qt::AlignHCenter, R = Qt::AlignRight;

} // namespace

SummaryTableModel::SummaryTableModel(std::function<std::optional<PeriodSummary>()> period, QObject *parent)
    : GridTable({{QStringLiteral("No."), L, L, 500}, {QStringLiteral("項目"), C, L, -4460},
                 {QStringLiteral("収入"), C, R, 1200}, {QStringLiteral("支出"), C, R, 1200},
                 {QStringLiteral("残高"), C, R, 1200}},
                parent),
      m_period(std::move(period))
{
}

void SummaryTableModel::refresh()
{
    m_stale = true;
    resetItems(0);
}

void SummaryTableModel::dropItems()
{
    m_table = {};
    m_summary = {};
}

void SummaryTableModel::prepareFetch()
{
    if (!m_stale)
        return;
    m_stale = false;
    const std::optional<PeriodSummary> period = m_period();
    if (!period)
        return; // nothing to show, not even a totals row
    m_summary = *period;
    m_table = summaryTable(m_summary);
    setItemCount(int(m_table.rows.size()) + 1);
}

QString SummaryTableModel::number(int row) const
{
    return isTotal(row) ? QString() : GridTable::number(row);
}

QString SummaryTableModel::text(int row, int col) const
{
    if (isTotal(row)) {
        switch (col) {
        case 1: return QStringLiteral("合　計");
        case 2: return formatAmount(m_table.incomeTotal);
        case 3: return formatAmount(m_table.expenseTotal);
        case 4: return formatAmount(m_table.balance);
        default: return {};
        }
    }
    const SummaryRow &r = m_table.rows[row];
    const Entry &e = *r.line;
    switch (col) {
    case 1: return e.article + QLatin1Char(' ') + e.breakdown;
    case 2: return e.income ? formatAmount(e.amount) : QString();
    case 3: return e.income ? QString() : formatAmount(e.amount);
    case 4: return formatAmount(r.balance);
    default: return {};
    }
}

QColor SummaryTableModel::color(int row, int col) const
{
    if (isTotal(row))
        return {};
    const SummaryRow &r = m_table.rows[row];
    if (col == 4)
        return amountColor(r.balance);
    return col == (r.line->income ? 2 : 3) ? amountColor(r.line->amount) : QColor();
}
