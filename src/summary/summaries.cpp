#include "summary/summaries.h"

#include "model/values.h"

qint32 PeriodSummary::remainder() const
{
    return add32(incomeTotal, supplyTotal);
}

ArticlePtr makeTermCarryOver(qint16 kind, qint32 amount, qint16 year, const QString &carryOverName,
                             qint16 students)
{
    auto e = std::make_shared<MekaluArticle>();
    if (kind >= 1 && kind <= 3) {
        static const Period receiver[] = {Term2, Term3, Half2};
        const PeriodInfo &info = periodInfo(receiver[kind - 1]);
        e->taDate = makeDate(QDate(year, info.carryMonth, 1));
        e->taArticle = carryOverName.isEmpty() ? QString::fromUtf8(info.carryName) : carryOverName;
    }
    e->taPerPerson = 0;
    e->taStudentsNumber = students;
    e->taAmount = amount;
    e->taSubArticle.clear();
    e->taIncome = true;
    return e;
}

ArticlePtr makeHalfCarryOver(qint16 kind, qint32 amount, qint16 year, const QString &carryOverName,
                             qint16 students)
{
    if (kind == 1)
        return makeTermCarryOver(3, amount, year, carryOverName, students);
    auto e = std::make_shared<MekaluArticle>();
    e->taStudentsNumber = students;
    e->taAmount = amount;
    e->taIncome = true;
    return e;
}

ArticlePtr carryOverInto(int period, const PeriodSummaries &sums, const QString &carryOverName,
                         qint16 students)
{
    const PeriodInfo &info = periodInfo(period);
    if (info.carryFrom < 0)
        return nullptr;
    const qint16 kind = period == Term2 ? 1 : period == Term3 ? 2 : 3;
    return makeTermCarryOver(kind, sums[info.carryFrom].remainder(), kCarryOverYear, carryOverName,
                             students);
}

PeriodSummaries computeSummaries(const MekaluArticle &entries, const QString &carryOverName,
                                 qint16 students)
{
    PeriodSummaries sums;
    // Each period after the one it receives from: term 1, term 2, term 3,
    // the first half, the second half, the year.
    for (int p = 0; p < PeriodCount; ++p) {
        PeriodSummary &s = sums[p];
        const PeriodInfo &info = periodInfo(p);
        ArticlePtr source = entries.taLink;
        s.incomeList->collectMonthlyArticle(true, qint16(info.firstMonth), qint16(info.lastMonth), source);
        if (ArticlePtr carry = carryOverInto(p, sums, carryOverName, students))
            s.incomeList->addArticle(carry);
        source = entries.taLink;
        s.supplyList->collectMonthlyArticle(false, qint16(info.firstMonth), qint16(info.lastMonth), source);
        s.incomeTotal = s.incomeList->sumArticle();
        s.supplyTotal = s.supplyList->sumArticle();
    }
    return sums;
}

SummaryTable summaryTable(const PeriodSummary &period)
{
    SummaryTable t;
    for (const ArticlePtr &list : {period.incomeList, period.supplyList}) {
        for (const MekaluArticle *e = list->taLink.get(); e; e = e->taLink.get()) {
            t.balance = e->taIncome ? add32(t.balance, e->taAmount) : sub32(t.balance, e->taAmount);
            t.rows.append({e, t.balance});
        }
    }
    t.incomeTotal = period.incomeList->sumArticle();
    t.expenseTotal = -qint64(period.supplyList->sumArticle());
    return t;
}
