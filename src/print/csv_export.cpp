#include "print/csv_export.h"

#include "model/values.h"
#include "print/collection_paper.h"
#include "storage/account_file.h"
#include "storage/codec.h"
#include "storage/safe_save.h"
#include "model/document.h"
#include "print/ledger.h"
#include "print/printouts.h"

namespace {

QString number(qint64 n)
{
    return QString::number(n);
}

QList<QStringList> ledgerRows(const Document &doc, const PeriodSummaries &sums, const PrintSettings &ps,
                              Period period)
{
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("日付"), QStringLiteral("領収書"), QStringLiteral("項目"),
                        QStringLiteral("収入"), QStringLiteral("支出"), QStringLiteral("残高")};
    const LedgerTable t = ledgerTable(doc.entries().printOrder(), sums, ps, period);
    if (t.carryIn)
        rows << QStringList{QString(), QString(), t.carryIn->text, number(t.carryIn->income), QString(),
                            number(t.carryIn->balance)};
    for (const LedgerLine &l : t.entries) {
        const Entry &e = *l.entry;
        rows << QStringList{shortDate(e.date), e.receipt != 0 ? QString::number(e.receipt) : QString(),
                            l.text, e.income ? number(l.income) : QString(),
                            e.income ? QString() : number(l.expense), number(l.balance)};
    }
    if (t.carryOutRow)
        rows << QStringList{QString(), QString(), t.carryOutRow->text, QString(), number(t.carryOutRow->expense),
                            number(t.carryOutRow->balance)};
    rows << QStringList{QString(), QString(), t.total.text, number(t.total.income), number(t.total.expense),
                        number(t.total.balance)};
    if (t.carryOutAfterTotal)
        rows << QStringList{QString(), QString(), t.carryOutAfterTotal->text, QString(),
                            number(t.carryOutAfterTotal->expense), QString()};
    return rows;
}

QList<QStringList> summaryRows(const PeriodSummary &period)
{
    QList<QStringList> rows;
    rows << QStringList{QStringLiteral("No."), QStringLiteral("項目"), QStringLiteral("内訳"),
                        QStringLiteral("収入"), QStringLiteral("支出"), QStringLiteral("残高")};
    const SummaryTable t = summaryTable(period);
    int n = 1;
    for (const SummaryRow &r : t.rows) {
        const Entry &e = *r.line;
        rows << QStringList{QString::number(n++), e.article, e.breakdown,
                            e.income ? number(e.amount) : QString(),
                            e.income ? QString() : number(e.amount), number(r.balance)};
    }
    rows << QStringList{QString(), QStringLiteral("合計"), QString(), number(t.incomeTotal),
                        number(t.expenseTotal), number(t.balance)};
    return rows;
}

} // namespace

QList<QStringList> printoutTable(const Document &doc, const PeriodSummaries &sums,
                                 const PrintSettings &ps, Printout printout)
{
    if (printout.collections == Printout::Checklist)
        return checklistRows(doc);
    if (printout.collections == Printout::Reminders)
        throw HarumokaError(QStringLiteral("未納のお知らせは CSV に書き出せません。集金確認表（--kind 13）を書き出してください。"));
    if (printout.ledger)
        return ledgerRows(doc, sums, ps, printout.period);
    return summaryRows(sums[printout.period]);
}

QList<int> printoutTextColumns(Printout printout)
{
    if (printout.collections != Printout::NoCollections)
        return {1};
    if (printout.ledger)
        return {2};
    return {1, 2};
}

namespace {

// What a spreadsheet would start a formula with (and tab and carriage return,
// which some of them drop before looking).
bool looksLikeFormula(const QString &field)
{
    if (field.isEmpty())
        return false;
    switch (field.front().unicode()) {
    case '=': case '+': case '-': case '@': case '\t': case '\r':
        return true;
    default:
        return false;
    }
}

} // namespace

QString csvText(const QList<QStringList> &rows, const QList<int> &textColumns)
{
    QString out;
    for (const QStringList &row : rows) {
        QStringList fields;
        for (qsizetype c = 0; c < row.size(); ++c) {
            QString f = row.at(c);
            const bool guard = textColumns.contains(int(c)) && looksLikeFormula(f);
            if (guard)
                f.prepend(QLatin1Char('\''));
            if (guard || f.contains(QLatin1Char(',')) || f.contains(QLatin1Char('"')) || f.contains(QLatin1Char('\r'))
                || f.contains(QLatin1Char('\n'))) {
                f.replace(QLatin1Char('"'), QStringLiteral("\"\""));
                fields << QLatin1Char('"') + f + QLatin1Char('"');
            } else {
                fields << f;
            }
        }
        out += fields.join(QLatin1Char(',')) + QStringLiteral("\r\n");
    }
    return out;
}

QByteArray encodeCsv(const QString &text, CsvEncoding encoding)
{
    if (encoding == CsvEncoding::Utf8Bom)
        return QByteArrayLiteral("\xEF\xBB\xBF") + text.toUtf8();
    bool ok = true;
    qsizetype bad = -1;
    const QByteArray bytes = encodeCp932(text, &ok, &bad);
    if (!ok)
        throw HarumokaError(QStringLiteral("「%1」はCSVファイルに書き出せない文字です（Shift_JISにない文字）。"
                                           "UTF-8 で書き出してください。")
                                .arg(characterAt(text, bad)));
    return bytes;
}

bool parseCsvEncoding(const QString &name, CsvEncoding *encoding)
{
    QString n = name.trimmed().toLower();
    n.remove(QLatin1Char('-')).remove(QLatin1Char('_'));
    if (n == QLatin1String("utf8") || n == QLatin1String("utf8bom")) {
        *encoding = CsvEncoding::Utf8Bom;
        return true;
    }
    if (n == QLatin1String("shiftjis") || n == QLatin1String("sjis") || n == QLatin1String("cp932")) {
        *encoding = CsvEncoding::ShiftJis;
        return true;
    }
    return false;
}

void exportCsv(const Document &doc, const PrintSettings &ps, Printout printout, const QString &path,
               CsvEncoding encoding)
{
    exportCsv(doc, printSummaries(doc, ps), ps, printout, path, encoding);
}

void exportCsv(const Document &doc, const PeriodSummaries &sums, const PrintSettings &ps, Printout printout,
               const QString &path, CsvEncoding encoding)
{
    checkExportTarget(path, {doc.fileName()});
    const QList<QStringList> rows = printoutTable(doc, sums, ps, printout);
    saveFileAtomically(path, encodeCsv(csvText(rows, printoutTextColumns(printout)), encoding));
}
