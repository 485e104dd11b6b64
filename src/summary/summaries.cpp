#include "summary/summaries.h"

#include "model/values.h"

#include <QHash>

namespace {

// What makes two entries one line of a period list.
struct LineKey {
    QString article;
    QString subArticle;
    bool income;
    bool operator==(const LineKey &o) const
    {
        return income == o.income && article == o.article && subArticle == o.subArticle;
    }
};

size_t qHash(const LineKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.article, k.subArticle, k.income);
}

// Every article and breakdown (of income or expense) met so far, numbered:
// looked up once for an entry or detail line, whichever periods it counts in.
class LineIds {
public:
    int of(const QString &article, const QString &subArticle, bool income)
    {
        LineKey key{article, subArticle, income};
        auto it = m_ids.find(key);
        if (it == m_ids.end())
            it = m_ids.insert(std::move(key), int(m_ids.size()));
        return it.value();
    }

private:
    QHash<LineKey, int> m_ids;
};

// One period's lines as they are collected: each new article and breakdown
// appended, a known one summed into its line.
struct Collector {
    QList<Entry> *lines;
    std::vector<qsizetype> lineOf; // by line id; -1 not met yet

    void append(const Entry &e, int id, const QString &article, qint32 amount)
    {
        if (size_t(id) >= lineOf.size())
            lineOf.resize(size_t(id) + 1, -1);
        if (const qsizetype at = lineOf[size_t(id)]; at >= 0) {
            Entry &line = (*lines)[at];
            const qint32 sum = add32(line.amount, amount);
            if (e.pupils > 0)
                line.pupils = add16(line.pupils, e.pupils);
            line.amount = sum;
            return;
        }
        Entry line = e;
        line.article = article;
        line.amount = amount;
        line.details.reset();
        lineOf[size_t(id)] = lines->size();
        lines->append(std::move(line));
    }
};

} // namespace

qint32 sumLines(const QList<Entry> &lines)
{
    qint32 t = 0;
    for (const Entry &e : lines)
        t = add32(t, e.signedAmount());
    return t;
}

qint32 PeriodSummary::remainder() const
{
    return add32(incomeTotal, minusExpenseTotal);
}

std::optional<Entry> carryOverInto(int period, const PeriodSummaries &sums, const QString &carryOverName,
                                           int year)
{
    const PeriodInfo &info = periodInfo(period);
    if (info.carryFrom < 0)
        return std::nullopt;
    Entry e;
    e.income = true;
    e.date = makeDate(QDate(year, info.carryMonth, 1));
    e.article = carryOverName.isEmpty() ? QString::fromUtf8(info.carryName) : carryOverName;
    e.pupils = kDefaultStudents;
    e.amount = sums[info.carryFrom].remainder();
    return e;
}

PeriodSummaries computeSummaries(const EntryList &entries, const QString &carryOverName)
{
    PeriodSummaries sums;
    std::array<std::array<Collector, 2>, PeriodCount> collectors;
    for (int p = 0; p < PeriodCount; ++p) {
        collectors[size_t(p)][0].lines = &sums[p].supplyList;
        collectors[size_t(p)][1].lines = &sums[p].incomeList;
    }
    // Which periods each school month (4 ... 15) belongs to.
    std::array<QList<int>, 16> periodsOfMonth;
    for (int m = 4; m <= 15; ++m) {
        for (int p = 0; p < PeriodCount; ++p) {
            if (periodInfo(p).firstMonth <= m && m <= periodInfo(p).lastMonth)
                periodsOfMonth[size_t(m)].append(p);
        }
    }
    LineIds ids;
    for (const EntryPtr &e : entries.entries()) {
        if (e->isBlank())
            continue;
        const QList<int> &periods = periodsOfMonth[size_t(schoolMonth(e->date))];
        const size_t kind = e->income ? 1 : 0;
        auto count = [&](const QString &article, qint32 amount) {
            const int id = ids.of(article, e->breakdown, e->income);
            for (int p : periods)
                collectors[size_t(p)][kind].append(*e, id, article, amount);
        };
        // An expense with detail lines counts by its lines, from the first
        // non-blank one on, each with the entry's other fields.
        if (!e->income && e->details) {
            const DetailLines &details = *e->details;
            auto d = firstNonBlankDetail(details);
            if (d != details.cend()) {
                for (; d != details.cend(); ++d)
                    count(d->article, d->amount);
                continue;
            }
        }
        count(e->article, e->amount);
    }
    // Each period after the one it receives from: term 1, term 2, term 3,
    // the first half, the second half, the year.
    for (int p = 0; p < PeriodCount; ++p) {
        PeriodSummary &s = sums[p];
        if (const std::optional<Entry> carry = carryOverInto(p, sums, carryOverName)) {
            // Before the first line dated later, as it would enter a list by date.
            auto at = std::find_if(s.incomeList.begin(), s.incomeList.end(),
                                   [&](const Entry &l) { return l.date > carry->date; });
            s.incomeList.insert(at, *carry);
        }
        s.incomeTotal = sumLines(s.incomeList);
        s.minusExpenseTotal = sumLines(s.supplyList);
    }
    return sums;
}

SummaryTable summaryTable(const PeriodSummary &period)
{
    SummaryTable t;
    for (const QList<Entry> *list : {&period.incomeList, &period.supplyList}) {
        for (const Entry &e : *list) {
            t.balance = add32(t.balance, e.signedAmount());
            t.rows.append({&e, t.balance});
        }
    }
    t.incomeTotal = period.incomeTotal;
    t.expenseTotal = -qint64(period.minusExpenseTotal);
    return t;
}
