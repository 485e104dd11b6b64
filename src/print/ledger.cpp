#include "print/ledger.h"

#include "model/values.h"
#include "print/layout.h"
#include "print/settings_scope.h"
#include "summary/summaries.h"

#include <array>

using namespace layout;

namespace {

constexpr double kLeft = 1000;
constexpr double kRight = 10600;
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

struct LedgerPeriod {
    const char *label;
    Period months;      // whose months are kept
    qint16 carryKind;   // makeTermCarryOver kind of the first row, 0 = none
    Period carryFrom;   // period whose remainder that row brings
    const char *carryOut; // label of the row that hands the remainder on, or null
};

const std::array<LedgerPeriod, 6> kLedgerPeriods = {{
    {"", Year, 0, Year, nullptr},
    {"１学期", Term1, 0, Year, "２学期へ繰り越し"},
    {"２学期", Term2, 1, Term1, "３学期へ繰り越し"},
    {"３学期", Term3, 2, Term2, nullptr},
    {"前期", Half1, 0, Year, "後期へ繰り越し"},
    {"後期", Half2, 3, Half1, nullptr},
}};

const LedgerPeriod &ledgerPeriod(int period)
{
    if (period < 0 || period >= int(kLedgerPeriods.size()))
        throw HarumokaError(QStringLiteral("元帳の期間の指定が正しくありません。"));
    return kLedgerPeriods[size_t(period)];
}

// "2001/04/05" -> "01/04/05": a four-digit year loses its century.
QString ledgerDate(const QDateTime &d)
{
    QString text = shortDate(d);
    if (text.indexOf(QLatin1Char('/')) == 4)
        text.remove(0, 2);
    return text;
}

class LedgerPrinter {
public:
    LedgerPrinter(Module1 &m, PageSurface &s, const PrintSettings &ps, int period)
        : m_module(m), m_surface(s), m_settings(ps), m_period(period), m_info(ledgerPeriod(period))
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
        ArticlePtr cur = m_module.articleList->nextArticle();
        while (cur) {
            if (!cur->isBlank() && inPeriod(*cur))
                printEntry(*cur);
            cur = cur->nextArticle();
            if (cur && rowTop(m_row) > kPageFull)
                pageEnd();
        }
        endBlock();
    }

private:
    bool inPeriod(const MekaluArticle &e) const
    {
        const PeriodInfo &p = Module1::periodInfo(m_info.months);
        const int month = schoolMonth(e.taDate);
        return p.firstMonth <= month && month <= p.lastMonth;
    }

    void amounts(double y)
    {
        m_surface.textRightAligned(kIncomeRight, y, formatAmount(m_incomeTotal));
        m_surface.textRightAligned(kExpenseRight, y, formatAmount(m_expenseTotal));
        m_surface.textRightAligned(kBalanceRight, y, formatAmount(m_balance));
    }

    void across(double y) { m_surface.drawLine(kLeft, y, kRight, y); }

    void verticalRules(double bottom)
    {
        m_surface.setLineWidth(kThick);
        m_surface.drawLine(kLeft, kTableTop, kLeft, bottom);
        m_surface.drawLine(kRight, kTableTop, kRight, bottom);
        m_surface.setLineWidth(kThin);
        for (double x : kThinRules)
            m_surface.drawLine(x, kTableTop, x, bottom);
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
        } else if (m_info.carryKind != 0) {
            // The ledger prints neither date nor receipt of this entry, so
            // its year does not matter.
            PrintSettingsScope scope(m_module, m_settings);
            const ArticlePtr carry =
                makeTermCarryOver(m_module, m_info.carryKind,
                                  periodRemainder(m_module, m_info.carryFrom), kCarryOverYear);
            s.textAt(kArticleX, y, carry->taArticle);
            m_incomeTotal = carry->taAmount;
            s.textRightAligned(kIncomeRight, y, formatAmount(m_incomeTotal));
            m_balance = m_incomeTotal;
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

    void printEntry(const MekaluArticle &e)
    {
        PageSurface &s = m_surface;
        const QStringList lines =
            wrapText(s, e.taArticle + QLatin1Char(' ') + e.taSubArticle, kArticleWidth);
        // The entry and the page's closing total row must fit above the
        // bottom of the paper; otherwise the entry starts the next page.
        if (m_row > m_pageFirstRow && rowTop(m_row + lines.size() + 1) > kPrintableBottom)
            pageEnd();

        const double y = rowTop(m_row) + kTextOffset;
        s.textAt(kDateX, y, ledgerDate(e.taDate));
        if (e.taReceipt != 0) {
            s.setColor(kRed);
            s.textAt(kReceiptX, y, QStringLiteral("No.") + QString::number(e.taReceipt));
            s.setColor(kBlack);
        }
        for (qsizetype k = 0; k < lines.size(); ++k)
            s.textAt(kArticleX, y + kRowHeight * double(k), lines[k]);

        if (e.taIncome) {
            s.textRightAligned(kIncomeRight, y, formatAmount(e.taAmount));
            m_incomeTotal += e.taAmount;
            m_balance += e.taAmount;
        } else {
            s.textRightAligned(kExpenseRight, y, formatAmount(e.taAmount));
            m_expenseTotal = add32(m_expenseTotal, e.taAmount);
            m_balance -= e.taAmount;
        }
        s.textRightAligned(kBalanceRight, y, formatAmount(m_balance));

        m_row += lines.size();
        across(rowTop(m_row));
    }

    void endBlock()
    {
        PageSurface &s = m_surface;
        const bool hasCarryOut = m_info.carryOut != nullptr;
        const QString carryOut = hasCarryOut ? QString::fromUtf8(m_info.carryOut) : QString();
        const bool carryRow = hasCarryOut && m_settings.printCarry;

        // The diagonal and the totals block need the rows to end above the
        // totals; a page filled to the bottom hands the end block on.
        if (rowTop(m_row) + (carryRow ? kRowHeight : 0) > kTotalsTop)
            pageEnd();
        double y = rowTop(m_row);

        s.setLineWidth(kThin);
        if (carryRow) {
            // Booking the remainder as the period's last expense closes it at zero.
            m_expenseTotal = add32(m_expenseTotal, m_balance);
            s.textAt(kArticleX, y + kTextOffset, carryOut);
            s.textRightAligned(kExpenseRight, y + kTextOffset, formatAmount(m_balance));
            m_balance = 0;
            s.textRightAligned(kBalanceRight, y + kTextOffset, formatAmount(m_balance));
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

        const QString label = QString::fromUtf8(m_info.label) + QStringLiteral(" 合計");
        s.textAt(kArticleX, y + kTextOffset, label);
        amounts(y + kTextOffset);

        y = kTotalsTop + kRowHeight;
        s.setColor(kRed);
        across(y);
        y += 25;
        across(y);
        s.setColor(kBlack);

        s.setLineWidth(kThick);
        if (hasCarryOut && !m_settings.printCarry) {
            s.textAt(kArticleX, y + kTextOffset, carryOut);
            s.textRightAligned(kExpenseRight, y + kTextOffset, formatAmount(m_balance));
            y += kRowHeight;
            across(y);
        }
        verticalRules(y);
        s.endDocument();
    }

    Module1 &m_module;
    PageSurface &m_surface;
    const PrintSettings &m_settings;
    int m_period;
    const LedgerPeriod &m_info;
    qint64 m_incomeTotal = 0;
    qint64 m_balance = 0;
    qint32 m_expenseTotal = 0;
    int m_page = 0;
    qint64 m_row = 0;
    qint64 m_pageFirstRow = 1;
};

} // namespace

QString ledgerPeriodLabel(int period)
{
    return QString::fromUtf8(ledgerPeriod(period).label);
}

QString ledgerTitle(const PrintSettings &ps, int period)
{
    const QString p = ledgerPeriodLabel(period);
    if (ps.classAccountMode)
        return QStringLiteral("学級会計元帳 ") + p + QLatin1Char(' ') + ps.grade + ps.room
            + QStringLiteral("  担任 ") + ps.charge;
    return ps.title + QStringLiteral(" 会計元帳 ") + p + QStringLiteral("  ") + ps.reporter;
}

void printLedger(Module1 &m, PageSurface &s, const PrintSettings &ps, qint16 period)
{
    LedgerPrinter printer(m, s, ps, period); // checks the period before anything changes

    m.articleList = m.articleList->sorting();
    // The panels' working copies and selections point into the old list.
    m.currentIncomeArticle.reset();
    m.sourceIncomeArticle.reset();
    m.currentSupplyArticle.reset();
    m.sourceSupplyArticle.reset();
    m.selectedIncomeRow = 0;
    m.selectedSupplyRow = 0;

    printer.run();
}
