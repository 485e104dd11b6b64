#include "print/csv_export.h"

#include "model/values.h"
#include "storage/account_file.h"
#include "storage/codec.h"
#include "storage/safe_save.h"
#include "summary/summaries.h"

namespace {

// Ledger period of an odd print kind, and the period list index of a report.
int ledgerPeriod(int printKind)
{
    static const int periods[] = {1, 2, 3, 4, 5, 0};
    return periods[(printKind - 1) / 2];
}

const char *periodLabel(int period)
{
    static const char *labels[] = {"", "１学期", "２学期", "３学期", "前期", "後期"};
    return labels[period];
}

bool inLedgerPeriod(int period, const QDateTime &date)
{
    const int m = schoolMonth(date);
    switch (period) {
    case 1: return m >= 4 && m <= 7;
    case 2: return m >= 8 && m <= 12;
    case 3: return m >= 13;
    case 4: return m >= 4 && m <= 9;
    case 5: return m >= 10;
    default: return true;
    }
}

QList<QStringList> ledgerTable(Module1 &m, const PrintSettings &ps, int period)
{
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("日付"), QStringLiteral("領収書"), QStringLiteral("項目"),
                        QStringLiteral("収入"), QStringLiteral("支出"), QStringLiteral("残高")};
    qint64 income = 0, expense = 0, balance = 0;
    // The carry-over row of the periods that receive one.
    const int giving = period == 2 ? Term1 : period == 3 ? Term2 : period == 5 ? Half1 : -1;
    if (giving >= 0) {
        const qint16 kind = period == 2 ? 1 : period == 3 ? 2 : 3;
        const ArticlePtr carry = makeTermCarryOver(m, kind, periodRemainder(m, giving), kCarryOverYear);
        income = balance = carry->taAmount;
        rows << QStringList{QString(), QString(), carry->taArticle, QString::number(income), QString(),
                            QString::number(balance)};
    }
    // The same order the ledger prints: by date, income before expense on a day.
    const ArticlePtr sorted = m.articleList->sorting();
    for (const MekaluArticle *e = sorted->taLink.get(); e; e = e->taLink.get()) {
        if (e->isBlank() || !inLedgerPeriod(period, e->taDate))
            continue;
        QStringList row{shortDate(e->taDate), e->taReceipt != 0 ? QString::number(e->taReceipt) : QString(),
                        e->taArticle + QLatin1Char(' ') + e->taSubArticle};
        if (e->taIncome) {
            income += e->taAmount;
            balance += e->taAmount;
            row << QString::number(e->taAmount) << QString();
        } else {
            expense += e->taAmount;
            balance -= e->taAmount;
            row << QString() << QString::number(e->taAmount);
        }
        row << QString::number(balance);
        rows << row;
    }
    const bool carriesOut = period == 1 || period == 2 || period == 4;
    const QString carryOutLabel = period == 1 ? QStringLiteral("２学期へ繰り越し")
        : period == 2 ? QStringLiteral("３学期へ繰り越し") : QStringLiteral("後期へ繰り越し");
    if (carriesOut && ps.printCarry) {
        // Booked as the period's last expense, leaving a zero balance.
        rows << QStringList{QString(), QString(), carryOutLabel, QString(), QString::number(balance),
                            QStringLiteral("0")};
        expense += balance;
        balance = 0;
    }
    rows << QStringList{QString(), QString(),
                        QString::fromUtf8(periodLabel(period)) + QStringLiteral(" 合計"),
                        QString::number(income), QString::number(expense), QString::number(balance)};
    if (carriesOut && !ps.printCarry)
        rows << QStringList{QString(), QString(), carryOutLabel, QString(), QString::number(balance), QString()};
    return rows;
}

QList<QStringList> summaryTable(Module1 &m, int period)
{
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("No."), QStringLiteral("項目"), QStringLiteral("内訳"),
                        QStringLiteral("収入"), QStringLiteral("支出"), QStringLiteral("残高")};
    qint64 balance = 0, income = 0, expense = 0;
    int n = 1;
    for (const ArticlePtr &list : {m.incomeLists[period], m.supplyLists[period]}) {
        for (const MekaluArticle *e = list->taLink.get(); e; e = e->taLink.get()) {
            QStringList row{QString::number(n++), e->taArticle, e->taSubArticle};
            if (e->taIncome) {
                balance += e->taAmount;
                income += e->taAmount;
                row << QString::number(e->taAmount) << QString();
            } else {
                balance -= e->taAmount;
                expense += e->taAmount;
                row << QString() << QString::number(e->taAmount);
            }
            row << QString::number(balance);
            rows << row;
        }
    }
    rows << QStringList{QString(), QStringLiteral("合計"), QString(), QString::number(income),
                        QString::number(expense), QString::number(balance)};
    return rows;
}

} // namespace

QList<QStringList> printoutTable(Module1 &m, const PrintSettings &ps, int printKind)
{
    if (printKind < 1 || printKind > 12)
        throw HarumokaError(QStringLiteral("印刷の種類は 1 から 12 までです。"));
    if (printKind % 2 == 1)
        return ledgerTable(m, ps, ledgerPeriod(printKind));
    static const int reportPeriods[] = {Term1, Term2, Term3, Half1, Half2, Year};
    return summaryTable(m, reportPeriods[printKind / 2 - 1]);
}

QString csvText(const QList<QStringList> &rows)
{
    QString out;
    for (const QStringList &row : rows) {
        QStringList fields;
        for (const QString &f : row) {
            if (f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\r'))
                || f.contains(QLatin1Char('\n'))) {
                QString q = f;
                q.replace(QLatin1Char('"'), QStringLiteral("\"\""));
                fields << QLatin1Char('"') + q + QLatin1Char('"');
            } else {
                fields << f;
            }
        }
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out;
}

void exportCsv(Module1 &m, const PrintSettings &ps, int printKind, const QString &path)
{
    checkExportTarget(path, {m.currentFileName});
    const auto saved = m.printSettings;
    m.printSettings = [ps] { return ps; };
    QList<QStringList> rows;
    try {
        const bool stale = m.summariesStale;
        refreshSummaries(m);
        m.summariesStale = stale;
        rows = printoutTable(m, ps, printKind);
    } catch (...) {
        m.printSettings = saved;
        throw;
    }
    m.printSettings = saved;
    const QString text = csvText(rows);
    bool ok = true;
    qsizetype bad = -1;
    const QByteArray bytes = encodeCp932(text, &ok, &bad);
    if (!ok)
        throw HarumokaError(QStringLiteral("「%1」はCSVファイルに書き出せない文字です（Shift_JISにない文字）。")
                                .arg(characterAt(text, bad)));
    saveFileAtomically(path, bytes);
}
