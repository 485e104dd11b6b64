#include "summary/summaries.h"

#include "model/values.h"

ArticlePtr makeTermCarryOver(Module1 &m, qint16 kind, qint32 amount, qint16 year)
{
    auto e = std::make_shared<MekaluArticle>();
    if (kind >= 1 && kind <= 3) {
        static const int months[] = {9, 1, 10};
        static const char *names[] = {"１学期の繰越金", "２学期の繰越金", "前期の繰越金"};
        e->taDate = makeDate(QDate(year, months[kind - 1], 1));
        e->taArticle = QString::fromUtf8(names[kind - 1]);
        const QString override = m.printSettings ? m.printSettings().carryOverOverride() : QString();
        if (!override.isEmpty())
            e->taArticle = override;
    }
    e->taPerPerson = 0;
    e->taStudentsNumber = m.defaultStudents;
    e->taAmount = amount;
    e->taSubArticle.clear();
    e->taIncome = true;
    return e;
}

ArticlePtr makeHalfCarryOver(Module1 &m, qint16 kind, qint32 amount, qint16 year)
{
    if (kind == 1)
        return makeTermCarryOver(m, 3, amount, year);
    auto e = std::make_shared<MekaluArticle>();
    e->taStudentsNumber = m.defaultStudents;
    e->taAmount = amount;
    e->taIncome = true;
    return e;
}

qint32 periodRemainder(const Module1 &m, int period)
{
    return add32(m.incomeTotals[period], m.supplyTotals[period]);
}

void refreshSummaries(Module1 &m, const std::function<void(int period)> &fill)
{
    auto collect = [&m](int p) {
        const PeriodInfo &info = Module1::periodInfo(p);
        ArticlePtr source = m.articleList->taLink;
        m.incomeLists[p]->collectMonthlyArticle(true, info.firstMonth, info.lastMonth, source);
        source = m.articleList->taLink;
        m.supplyLists[p]->collectMonthlyArticle(false, info.firstMonth, info.lastMonth, source);
    };
    auto totals = [&m](int p) {
        m.incomeTotals[p] = m.incomeLists[p]->sumArticle();
        m.supplyTotals[p] = m.supplyLists[p]->sumArticle();
    };
    auto doFill = [&fill](int p) {
        if (fill)
            fill(p);
    };
    auto collectWithCarry = [&m](int p, const ArticlePtr &carry) {
        const PeriodInfo &info = Module1::periodInfo(p);
        ArticlePtr source = m.articleList->taLink;
        m.incomeLists[p]->collectMonthlyArticle(true, info.firstMonth, info.lastMonth, source);
        m.incomeLists[p]->addArticle(carry);
        source = m.articleList->taLink;
        m.supplyLists[p]->collectMonthlyArticle(false, info.firstMonth, info.lastMonth, source);
    };

    collect(Term1);
    doFill(Term1);
    totals(Term1);
    ArticlePtr carry1 = makeTermCarryOver(m, 1, periodRemainder(m, Term1), kCarryOverYear);

    collectWithCarry(Term2, carry1);
    doFill(Term2);
    totals(Term2);
    ArticlePtr carry2 = makeTermCarryOver(m, 2, periodRemainder(m, Term2), kCarryOverYear);

    collectWithCarry(Term3, carry2);
    doFill(Term3);
    totals(Term3);

    collect(Half1);
    doFill(Half1);
    totals(Half1);
    ArticlePtr carryH = makeHalfCarryOver(m, 1, periodRemainder(m, Half1), kCarryOverYear);

    collectWithCarry(Half2, carryH);
    doFill(Half2);
    totals(Half2);

    ArticlePtr source = m.articleList->taLink;
    m.incomeLists[Year]->collectArticle(true, source);
    source = m.articleList->taLink;
    m.supplyLists[Year]->collectArticle(false, source);
    totals(Year);
    doFill(Year);

    m.summariesStale = false;
}
