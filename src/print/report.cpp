#include "print/report.h"

#include "model/values.h"
#include "print/layout.h"

#include <QList>
#include <QPair>
#include <algorithm>

using namespace layout;

namespace {

constexpr double kLabelRight = 4700;   // totals block and "合　計" labels
constexpr double kTotalsAmountRight = 8440;
constexpr double kItemRight = 10540;   // amounts at the right border
constexpr double kTextInset = 60;

// Income table.
constexpr double kIncomeAmountLeft = 4700;
constexpr double kIncomeBreakdownLeft = 6100;
constexpr double kIncomeTextWidth = 3700;
constexpr double kIncomeAmountRight = 6040;
// Income groups start a new page once the table reaches this far down.
constexpr double kIncomePageFull = 14640;

// Expense table.
constexpr double kPairLeftAmount = 4400;
constexpr double kPairMiddle = 5800;
constexpr double kPairRightAmount = 9200;
constexpr double kPairTextWidth = 3400;
constexpr double kSingleTextWidth = 8200;
// Expense rows start a new page once the table reaches this far down.
constexpr double kExpensePageFull = 13560;

class ReportPrinter : TablePrinter {
public:
    ReportPrinter(PageSurface &s, const PrintSettings &ps, const QString &label, const PeriodSummary &period,
                  const QString &closing)
        : TablePrinter(s, ps), m_label(label), m_period(period), m_incomeList(period.incomeList),
          m_supplyList(period.supplyList), m_closing(closing)
    {
    }

    void run()
    {
        // Everything that can overflow is computed before the first page.
        m_incomeTotal = m_period.incomeTotal;
        m_expenseTotal = to32(-qint64(m_period.minusExpenseTotal));
        const qint32 difference = m_period.remainder();
        const QString date = reportDateText(m_settings.printDate);

        header();
        totalsBlock(difference);
        incomeSection();
        expenseSection();
        closingRows(date);
    }

private:
    PageSurface &s() { return m_surface; }
    double textY(qint64 row) const { return rowTop(row) + kTextOffset; }
    // Whether rows up to (not including) `endRow` end above the bottom of the paper.
    static bool fits(qint64 endRow) { return rowTop(endRow) <= kPrintableBottom; }

    void header()
    {
        s().setColor(kBlack);
        s().setLineWidth(kThin);
        s().setFontName(kFontName);
        s().setFontSize(12);
        s().textAt(kLeft, 800, m_settings.respect);
        s().textRightAligned(kRight, 800, m_settings.schoolName);
        s().setFontSize(16);
        s().textAt(kLeft, 1200, reportTitle(m_settings, m_label));
        s().setFontSize(12);
    }

    void totalsBlock(qint32 difference)
    {
        s().setLineWidth(kThick);
        across(rowTop(0));
        s().setLineWidth(kThin);
        const QString labels[] = {QStringLiteral("収入総額"), QStringLiteral("支出総額"),
                                  QStringLiteral("差引総額")};
        const qint32 amounts[] = {m_incomeTotal, m_expenseTotal, difference};
        for (int r = 0; r < 3; ++r) {
            if (r > 0)
                across(rowTop(r));
            s().textCentred(kLeft, kLabelRight, textY(r), labels[r]);
            s().textRightAligned(kTotalsAmountRight, textY(r), yenText(amounts[r]));
        }
        s().setLineWidth(kThick);
        across(rowTop(3));
        vertical(kLeft, rowTop(0), rowTop(3));
        vertical(kRight, rowTop(0), rowTop(3));
        s().setLineWidth(kThin);
        vertical(kLabelRight, rowTop(0), rowTop(3));
    }

    // What follows starts at the top of a new page.
    void newPage()
    {
        s().endPage();
        m_row = 0;
    }

    // The table being drawn: its column titles, each centred between its
    // edges, and the rules that close it at a page break besides the outer
    // borders (the thick ones, then the thin ones).
    struct Title {
        double left;
        double right;
        QString text;
    };
    struct Table {
        QList<Title> titles;
        bool ruledAtBreak = false; // a thick rule under the last row on the page
        QList<double> thickRules;
        QList<double> thinRules;
    };

    void tableHeader()
    {
        ++m_row;
        m_tableTop = rowTop(m_row);
        s().setLineWidth(kThick);
        across(m_tableTop);
        const double y = m_tableTop + kTextOffset;
        for (const Title &t : m_table.titles)
            s().textCentred(t.left, t.right, y, t.text);
        ++m_row;
        across(rowTop(m_row));
        s().setLineWidth(kThin);
        m_firstItemRow = m_row;
    }

    // Closes the table on this page and continues it on the next.
    void tablePageBreak()
    {
        const double y = rowTop(m_row);
        s().setLineWidth(kThick);
        if (m_table.ruledAtBreak)
            across(y);
        vertical(kLeft, m_tableTop, y);
        for (double x : m_table.thickRules)
            vertical(x, m_tableTop, y);
        vertical(kRight, m_tableTop, y);
        s().setLineWidth(kThin);
        for (double x : m_table.thinRules)
            vertical(x, m_tableTop, y);
        newPage();
        tableHeader();
    }

    // ---- income --------------------------------------------------------

    void startIncomeTable()
    {
        m_table = Table{{{kLeft, kIncomeAmountLeft, QStringLiteral("項　目")},
                         {kIncomeAmountLeft, kIncomeBreakdownLeft, QStringLiteral("金　額")},
                         {kIncomeBreakdownLeft, kRight, QStringLiteral("内　訳")}},
                        false, {}, {kIncomeAmountLeft, kIncomeBreakdownLeft}};
        tableHeader();
    }

    void incomeSection()
    {
        m_row = 4;
        s().textAt(kLeft, textY(m_row), QStringLiteral("１．収入の部"));

        // Items grouped by article, the groups in the order their articles
        // first occur; within a group the items keep the list order.
        QList<QPair<QString, bool>> groups;
        for (const Entry &e : m_incomeList) {
            const QPair<QString, bool> key(e.article, e.income);
            if (!groups.contains(key))
                groups.append(key);
        }
        QList<QList<const Entry *>> items;
        for (const auto &g : groups) {
            items.append(QList<const Entry *>());
            for (const Entry &e : m_incomeList)
                if (e.article == g.first && e.income == g.second)
                    items.last().append(&e);
        }

        startIncomeTable();
        for (qsizetype g = 0; g < items.size(); ++g) {
            for (qsizetype i = 0; i < items[g].size(); ++i) {
                const bool last = g == items.size() - 1 && i == items[g].size() - 1;
                incomeItem(*items[g][i], last);
            }
            if (g + 1 < items.size() && rowTop(m_row) > kIncomePageFull)
                tablePageBreak();
        }

        const double y = rowTop(m_row);
        across(y + 25);
        vertical(kIncomeBreakdownLeft, m_tableTop, y);
        s().textCentred(kLeft, kLabelRight, y + kTextOffset, QStringLiteral("合　計"));
        s().textRightAligned(kItemRight, y + kTextOffset, yenText(m_incomeTotal));
        ++m_row;
        const double bottom = rowTop(m_row);
        s().setLineWidth(kThick);
        across(bottom);
        vertical(kLeft, m_tableTop, bottom);
        vertical(kRight, m_tableTop, bottom);
        s().setLineWidth(kThin);
        vertical(kLabelRight, m_tableTop, bottom);
    }

    void incomeItem(const Entry &e, bool lastOfTable)
    {
        const QStringList lines =
            wrapText(s(), e.article + QLatin1Char(' ') + e.breakdown, kIncomeTextWidth);
        // An item that would run off the paper (with the totals row after
        // the last one) continues the table on the next page.
        if (m_row > m_firstItemRow && !fits(m_row + lines.size() + (lastOfTable ? 1 : 0)))
            tablePageBreak();

        const double y = textY(m_row);
        for (qsizetype k = 0; k < lines.size(); ++k)
            s().textAt(kLeft + kTextInset, y + kRowHeight * double(k), lines[k]);
        s().textRightAligned(kIncomeAmountRight, y, yenText(e.amount));
        if (e.perPupil != 0)
            s().textRightAligned(kItemRight, y,
                                 QStringLiteral(" ＠") + formatAmount(e.perPupil)
                                     + QStringLiteral("×") + QString::number(e.pupils)
                                     + QStringLiteral("人"));
        m_row += lines.size();
        across(rowTop(m_row));
    }

    // ---- expenses ------------------------------------------------------

    bool twoPerRow() const { return !m_settings.oneColumn; }

    void startExpenseTable()
    {
        const QString article = QStringLiteral("項　目");
        const QString amount = QStringLiteral("金　額");
        if (twoPerRow())
            m_table = Table{{{kLeft, kPairLeftAmount, article}, {kPairLeftAmount, kPairMiddle, amount},
                             {kPairMiddle, kPairRightAmount, article}, {kPairRightAmount, kRight, amount}},
                            true, {kPairMiddle}, {kPairLeftAmount, kPairRightAmount}};
        else
            m_table = Table{{{kLeft, kPairRightAmount, article}, {kPairRightAmount, kRight, amount}},
                            true, {}, {kPairRightAmount}};
        tableHeader();
    }

    void expenseSection()
    {
        QList<const Entry *> entries;
        for (const Entry &e : m_supplyList)
            entries.append(&e);
        const qsizetype perRow = twoPerRow() ? 2 : 1;
        const double limit = twoPerRow() ? kPairTextWidth : kSingleTextWidth;
        QList<QStringList> texts;
        for (const Entry *e : entries)
            texts.append(wrapText(s(), e->article, limit));
        // Rows taken by the row starting with item i.
        auto rowLines = [&](qsizetype i) {
            qsizetype n = 0;
            for (qsizetype j = i; j < std::min(i + perRow, entries.size()); ++j)
                n = std::max(n, texts[j].size());
            return n;
        };

        // The heading, the table header and the first row (with the totals
        // row when nothing follows) stay together.
        {
            const qint64 heading = m_row + 1;
            const qint64 rows = entries.isEmpty() ? 1 : rowLines(0) + (entries.size() <= perRow ? 1 : 0);
            if (!fits(heading + 2 + rows))
                newPage();
        }
        ++m_row;
        s().textAt(kLeft, textY(m_row), QStringLiteral("２．支出の部"));
        startExpenseTable();

        for (qsizetype i = 0; i < entries.size(); i += perRow) {
            const qsizetype n = rowLines(i);
            const bool lastRow = i + perRow >= entries.size();
            if (m_row > m_firstItemRow && !fits(m_row + n + (lastRow ? 1 : 0)))
                tablePageBreak();

            for (qsizetype j = i; j < std::min(i + perRow, entries.size()); ++j) {
                const bool right = j > i;
                const double x = (right ? kPairMiddle : kLeft) + kTextInset;
                const double amountRight = twoPerRow() && !right ? kPairMiddle - kTextInset
                                                                 : kItemRight;
                const double y = textY(m_row);
                for (qsizetype k = 0; k < texts[j].size(); ++k)
                    s().textAt(x, y + kRowHeight * double(k), texts[j][k]);
                s().textRightAligned(amountRight, y, yenText(entries[j]->amount));
            }
            m_row += n;
            across(rowTop(m_row));
            if (!lastRow && rowTop(m_row) > kExpensePageFull)
                tablePageBreak();
        }

        const double y = rowTop(m_row);
        across(y + 25);
        vertical(kPairRightAmount, m_tableTop, y);
        if (twoPerRow())
            vertical(kPairLeftAmount, m_tableTop, y);
        s().textCentred(kLeft, kLabelRight, y + kTextOffset, QStringLiteral("合　計"));
        s().textRightAligned(kItemRight, y + kTextOffset, yenText(m_expenseTotal));
        ++m_row;
        const double bottom = rowTop(m_row);
        s().setLineWidth(kThick);
        across(bottom);
        vertical(kLeft, m_tableTop, bottom);
        if (twoPerRow())
            vertical(kPairMiddle, m_tableTop, bottom);
        else
            vertical(kPairMiddle, bottom - kRowHeight, bottom);
        vertical(kRight, m_tableTop, bottom);
        s().setLineWidth(kThin);
    }

    // ---- closing -------------------------------------------------------

    void closingRows(const QString &date)
    {
        // One empty row under the table and three rows of text.
        if (!fits(m_row + 4))
            newPage();
        ++m_row;
        s().textAt(kLeft, textY(m_row), QStringLiteral("上記の通りご報告します。"));
        ++m_row;
        s().textAt(kLeft, textY(m_row), m_closing);
        ++m_row;
        s().textAt(kLeft, textY(m_row), date);
        s().textRightAligned(kRight, textY(m_row), reportSignature(m_settings));
        s().endDocument();
    }

    QString m_label;
    const PeriodSummary &m_period;
    const QList<Entry> &m_incomeList;
    const QList<Entry> &m_supplyList;
    QString m_closing;
    qint32 m_incomeTotal = 0;
    qint32 m_expenseTotal = 0;
    qint64 m_firstItemRow = 0;
    double m_tableTop = 0;
    Table m_table;
};

} // namespace

QString reportDateText(const QDate &d)
{
    return eraDateText(d.isValid() ? d : today());
}

QString reportTitle(const PrintSettings &ps, const QString &label)
{
    if (ps.classMode)
        return ps.grade + ps.room + QStringLiteral("  ") + label + QStringLiteral(" 学級会計報告");
    return ps.title;
}

QString reportSignature(const PrintSettings &ps)
{
    if (ps.classMode)
        return ps.grade + ps.room + QStringLiteral("  　担任　") + ps.charge;
    return ps.reporter;
}

void printReport(PageSurface &s, const PrintSettings &ps, const QString &label, const PeriodSummary &period,
                 const QString &closing)
{
    ReportPrinter(s, ps, label, period, closing).run();
}
