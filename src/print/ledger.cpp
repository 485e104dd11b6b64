#include "print/ledger.h"

#include "model/values.h"
#include "model/document.h"
#include "print/layout.h"

#include <QHash>

#include <array>

using namespace layout;

namespace {

constexpr double kDateX = 1060;
constexpr double kReceiptX = 2160;
constexpr double kArticleX = 2960;
constexpr double kArticleWidth = 3900;
constexpr double kIncomeRight = 8140;
constexpr double kExpenseRight = 9340;
constexpr double kBalanceRight = 10540;
constexpr std::array<double, 5> kThinRules = {2100, 2900, 7000, 8200, 9400};
// A page whose next free row starts below this is full.
constexpr double kPageFull = 14640;
// Top of the totals block of the last page.
constexpr double kTotalsTop = 15000;

// "2001/04/05" -> "01/04/05": a four-digit year loses its century.
QString ledgerDate(const QDateTime &d)
{
    QString text = shortDate(d);
    if (text.indexOf(QLatin1Char('/')) == 4)
        text.remove(0, 2);
    return text;
}

// A period's rows one at a time, in order: the carry-over in, the entries,
// then the rows that close the period. The printer draws each entry's row
// as it comes, while the entry is still in the processor's cache, instead
// of first building a year's rows and then walking them again.
class LedgerRows {
public:
    LedgerRows(const std::vector<EntryPtr> &sorted, const PeriodSummaries &sums, const PrintSettings &ps,
               Period p)
        : m_sorted(sorted), m_info(periodInfo(p)), m_settings(ps), m_period(p)
    {
        // The ledger prints neither date nor receipt of the carry-over, so its
        // year does not matter.
        if (const std::optional<Entry> carry = carryOverInto(p, sums, ps.carryOverOverride())) {
            m_income = m_balance = carry->amount;
            LedgerLine line;
            line.text = carry->article;
            line.income = carry->amount;
            line.incomeTotal = m_income;
            line.balance = m_balance;
            m_carryIn = line;
        }
    }

    const std::optional<LedgerLine> &carryIn() const { return m_carryIn; }

    // The next entry's row; false after the last.
    bool next(LedgerLine &line)
    {
        while (m_next < m_sorted.size()) {
            const size_t i = m_next++;
            const EntryPtr &e = m_sorted[i];
            if (e->isBlank() || !periodContains(m_period, e->date))
                continue;
            line = LedgerLine();
            line.entry = e;
            line.text = e->article + QLatin1Char(' ') + e->breakdown;
            if (e->income) {
                m_income += e->amount;
                line.income = e->amount;
            } else {
                m_expense = add32(m_expense, e->amount);
                line.expense = e->amount;
            }
            m_balance += e->signedAmount();
            line.incomeTotal = m_income;
            line.expenseTotal = m_expense;
            line.balance = m_balance;
            line.moreInList = i + 1 < m_sorted.size();
            return true;
        }
        return false;
    }

    // The rows after the entries: the carry-over out and the totals.
    void finish(LedgerTable &t)
    {
        const bool carriesOut = m_info.carryOutLabel != nullptr;
        const QString carryOut = carriesOut ? QString::fromUtf8(m_info.carryOutLabel) : QString();
        if (carriesOut && m_settings.printCarry) {
            // Booking the remainder as the period's last expense closes it at zero.
            LedgerLine line;
            line.text = carryOut;
            line.expense = m_balance;
            m_expense = add32(m_expense, m_balance);
            m_balance = 0;
            line.incomeTotal = m_income;
            line.expenseTotal = m_expense;
            line.balance = m_balance;
            t.carryOutRow = line;
        }
        t.total.text = QString::fromUtf8(m_info.label) + QStringLiteral(" 合計");
        t.total.income = t.total.incomeTotal = m_income;
        t.total.expense = t.total.expenseTotal = m_expense;
        t.total.balance = m_balance;
        if (carriesOut && !m_settings.printCarry) {
            LedgerLine line;
            line.text = carryOut;
            line.expense = m_balance;
            line.incomeTotal = m_income;
            line.expenseTotal = m_expense;
            line.balance = m_balance;
            t.carryOutAfterTotal = line;
        }
    }

private:
    const std::vector<EntryPtr> &m_sorted;
    const PeriodInfo &m_info;
    const PrintSettings &m_settings;
    Period m_period;
    std::optional<LedgerLine> m_carryIn;
    size_t m_next = 0;
    qint64 m_income = 0;
    qint64 m_expense = 0;
    qint64 m_balance = 0;
};

class LedgerPrinter : TablePrinter {
public:
    LedgerPrinter(LedgerRows &rows, PageSurface &s, const PrintSettings &ps, Period period)
        : TablePrinter(s, ps), m_rows(rows), m_period(period)
    {
    }

    void run()
    {
        PageSurface &s = m_surface;
        s.setColor(kBlack);
        s.setFontName(kFontName);
        s.setFontSize(14);
        s.textAt(1000, 800, ledgerTitle(m_settings, m_period));
        s.setFontSize(12);

        pageStart();
        LedgerLine line;
        while (m_rows.next(line)) {
            printEntry(line);
            if (line.moreInList && rowTop(m_row) > kPageFull)
                pageEnd();
        }
        m_rows.finish(m_end);
        endBlock();
    }

private:
    // Dates and amounts come back row after row: one shared text each
    // keeps the recording small.
    template <typename Make>
    static QString cached(QHash<qint64, QString> &texts, qint64 key, Make make)
    {
        auto it = texts.find(key);
        if (it == texts.end())
            it = texts.insert(key, make());
        return *it;
    }
    QHash<qint64, QString> m_dates;
    QHash<qint64, QString> m_amounts;

    void amounts(double y)
    {
        m_surface.textRightAligned(kIncomeRight, y, formatAmount(m_incomeTotal));
        m_surface.textRightAligned(kExpenseRight, y, formatAmount(m_expenseTotal));
        m_surface.textRightAligned(kBalanceRight, y, formatAmount(m_balance));
    }

    void verticalRules(double bottom)
    {
        m_surface.setLineWidth(kThick);
        vertical(kLeft, kTableTop, bottom);
        vertical(kRight, kTableTop, bottom);
        m_surface.setLineWidth(kThin);
        for (double x : kThinRules)
            vertical(x, kTableTop, bottom);
    }

    void pageStart()
    {
        PageSurface &s = m_surface;
        s.setLineWidth(kThick);
        across(kTableTop);
        const double headerY = kTableTop + kTextOffset;
        s.textAt(1260, headerY, QStringLiteral("日付"));
        s.textAt(2160, headerY, QStringLiteral("領収書"));
        s.textAt(4660, headerY, QStringLiteral("項目"));
        s.textAt(7360, headerY, QStringLiteral("収入"));
        s.textAt(8560, headerY, QStringLiteral("支出"));
        s.textAt(9760, headerY, QStringLiteral("残高"));
        m_row = 1;
        across(rowTop(1));

        const double y = rowTop(1) + kTextOffset;
        if (m_page > 0) {
            s.textAt(kArticleX, y, QStringLiteral("前頁より繰り越し"));
            amounts(y);
            m_row = 2;
            across(rowTop(2));
        } else if (m_rows.carryIn()) {
            const LedgerLine &carry = *m_rows.carryIn();
            s.textAt(kArticleX, y, carry.text);
            m_incomeTotal = carry.incomeTotal;
            s.textRightAligned(kIncomeRight, y, formatAmount(carry.income));
            m_balance = carry.balance;
            s.textRightAligned(kBalanceRight, y, formatAmount(m_balance));
            m_row = 2;
            across(rowTop(2));
        }
        s.setLineWidth(kThin);
        m_pageFirstRow = m_row;
    }

    void pageEnd()
    {
        PageSurface &s = m_surface;
        const double y = rowTop(m_row);
        s.textAt(kArticleX, y + kTextOffset, QStringLiteral("合　計"));
        amounts(y + kTextOffset);
        ++m_row;
        const double bottom = rowTop(m_row);
        s.setLineWidth(kThin);
        across(bottom);
        s.setLineWidth(kThick);
        across(bottom);
        verticalRules(bottom);
        s.endPage();
        ++m_page;
        pageStart();
    }

    void printEntry(const LedgerLine &line)
    {
        PageSurface &s = m_surface;
        const Entry &e = *line.entry;
        const QStringList lines = wrapText(s, line.text, kArticleWidth);
        // The entry and the page's closing total row must fit above the
        // bottom of the paper; otherwise the entry starts the next page.
        if (m_row > m_pageFirstRow && rowTop(m_row + lines.size() + 1) > kPrintableBottom)
            pageEnd();

        const double y = rowTop(m_row) + kTextOffset;
        s.textAt(kDateX, y, cached(m_dates, e.date.toMSecsSinceEpoch(), [&] { return ledgerDate(e.date); }));
        if (e.receipt != 0) {
            s.setColor(kRed);
            s.textAt(kReceiptX, y, QStringLiteral("No.") + QString::number(e.receipt));
            s.setColor(kBlack);
        }
        for (qsizetype k = 0; k < lines.size(); ++k)
            s.textAt(kArticleX, y + kRowHeight * double(k), lines[k]);

        s.textRightAligned(e.income ? kIncomeRight : kExpenseRight, y,
                           cached(m_amounts, e.amount, [&] { return formatAmount(e.amount); }));
        m_incomeTotal = line.incomeTotal;
        m_expenseTotal = line.expenseTotal;
        m_balance = line.balance;
        s.textRightAligned(kBalanceRight, y, formatAmount(m_balance));

        m_row += lines.size();
        across(rowTop(m_row));
    }

    void endBlock()
    {
        PageSurface &s = m_surface;
        const bool carryRow = m_end.carryOutRow.has_value();

        // The diagonal and the totals block need the rows to end above the
        // totals; a page filled to the bottom hands the end block on.
        if (rowTop(m_row) + (carryRow ? kRowHeight : 0) > kTotalsTop)
            pageEnd();
        double y = rowTop(m_row);

        s.setLineWidth(kThin);
        if (carryRow) {
            const LedgerLine &carry = *m_end.carryOutRow;
            s.textAt(kArticleX, y + kTextOffset, carry.text);
            s.textRightAligned(kExpenseRight, y + kTextOffset, formatAmount(carry.expense));
            s.textRightAligned(kBalanceRight, y + kTextOffset, formatAmount(carry.balance));
            y += kRowHeight;
            s.setColor(kBlack);
            across(y);
        }

        s.setColor(kRed);
        s.drawLine(7000, y, 2900, kTotalsTop);

        y = kTotalsTop;
        s.setLineWidth(kThick);
        s.setColor(kBlack);
        s.drawLine(kLeft, y, 2900, y);
        s.setColor(kRed);
        s.drawLine(2900, y, kRight, y);
        s.setLineWidth(kThin);
        s.setColor(kBlack);

        const LedgerLine &total = m_end.total;
        m_incomeTotal = total.incomeTotal;
        m_expenseTotal = total.expenseTotal;
        m_balance = total.balance;
        s.textAt(kArticleX, y + kTextOffset, total.text);
        amounts(y + kTextOffset);

        y = kTotalsTop + kRowHeight;
        s.setColor(kRed);
        across(y);
        y += 25;
        across(y);
        s.setColor(kBlack);

        s.setLineWidth(kThick);
        if (m_end.carryOutAfterTotal) {
            const LedgerLine &carry = *m_end.carryOutAfterTotal;
            s.textAt(kArticleX, y + kTextOffset, carry.text);
            s.textRightAligned(kExpenseRight, y + kTextOffset, formatAmount(carry.expense));
            y += kRowHeight;
            across(y);
        }
        verticalRules(y);
        s.endDocument();
    }

    LedgerRows &m_rows;
    LedgerTable m_end; // the rows after the entries
    Period m_period;
    qint64 m_incomeTotal = 0;
    qint64 m_balance = 0;
    qint64 m_expenseTotal = 0;
    int m_page = 0;
    qint64 m_pageFirstRow = 1;
};

} // namespace

QString ledgerTitle(const PrintSettings &ps, Period period)
{
    const QString p = QString::fromUtf8(periodInfo(period).label);
    if (ps.classMode)
        return QStringLiteral("学級会計元帳 ") + p + QLatin1Char(' ') + ps.grade + ps.room
            + QStringLiteral("  担任 ") + ps.charge;
    return ps.title + QStringLiteral(" 会計元帳 ") + p + QStringLiteral("  ") + ps.reporter;
}

LedgerTable ledgerTable(const std::vector<EntryPtr> &sorted, const PeriodSummaries &sums, const PrintSettings &ps,
                        Period p)
{
    LedgerRows rows(sorted, sums, ps, p);
    LedgerTable t;
    t.carryIn = rows.carryIn();
    t.entries.reserve(qsizetype(sorted.size()));
    LedgerLine line;
    while (rows.next(line))
        t.entries.append(line);
    rows.finish(t);
    return t;
}

void printLedger(const Document &doc, const PeriodSummaries &sums, PageSurface &s, const PrintSettings &ps,
                 Period period)
{
    const std::vector<EntryPtr> sorted = doc.entries().printOrder();
    LedgerRows rows(sorted, sums, ps, period);
    LedgerPrinter(rows, s, ps, period).run();
}
