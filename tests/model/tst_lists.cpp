#include "model/article.h"
#include "model/selection.h"
#include "model/values.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

static ArticlePtr head() { return std::make_shared<MekaluArticle>(); }

static QStringList chain(const DetailPtr &h)
{
    QStringList out;
    for (MekaluDetail *c = h->tdLink.get(); c; c = c->tdLink.get())
        out << c->tdArticle;
    return out;
}

static QStringList names(const SelectionPtr &h)
{
    QStringList out;
    for (MekaluSelection *c = h->tsLink.get(); c; c = c->tsLink.get())
        out << c->tsArticle + QLatin1Char(' ') + QString::number(c->tsCount);
    return out;
}

static SelectionPtr sel(const QString &name, int year = 2026)
{
    return std::make_shared<MekaluSelection>(name, 1, makeDate(QDate(year, 5, 1)));
}

class TestLists : public QObject {
    Q_OBJECT
private slots:
    void init() { setTodayForTesting(QDate(2026, 12, 7)); }

    void addArticleKeepsDateOrderWithinKind()
    {
        auto h = head();
        QCOMPARE(h->addArticle(income(d(2026, 5, 1), "a", 1)), 1);
        QCOMPARE(h->addArticle(income(d(2026, 5, 1), "b", 1)), 2);
        // Same day as two existing entries: after them.
        QCOMPARE(h->addArticle(income(d(2026, 5, 1), "c", 1)), 3);
        QCOMPARE(h->addArticle(income(d(2026, 4, 1), "first", 1)), 1);
        QCOMPARE(describe(h).join(','),
                 QStringLiteral("I:04/01:first:1,I:05/01:a:1,I:05/01:b:1,I:05/01:c:1"));
    }

    void addArticlePassesOverTheOtherKind()
    {
        auto h = head();
        h->insertArticle(income(d(2026, 5, 3), "i3", 1));
        h->insertArticle(expense(d(2026, 5, 10), "e10", 1));
        h->insertArticle(income(d(2026, 5, 1), "i1", 1));
        // (income 1 May, expense 10 May, income 3 May): the expense of 5 May
        // goes before the one of 10 May and is No. 1.
        QCOMPARE(h->addArticle(expense(d(2026, 5, 5), "e5", 1)), 1);
        QCOMPARE(describe(h).join(','),
                 QStringLiteral("I:05/01:i1:1,E:05/05:e5:1,E:05/10:e10:1,I:05/03:i3:1"));
    }

    void insertNumberedArticleRules()
    {
        // ta_rec larger than the count appends at the end.
        auto h = head();
        h->addArticle(income(d(2026, 5, 1), "a", 1));
        h->addArticle(expense(d(2026, 5, 2), "x", 1));
        h->insertNumberedArticle(income(d(2026, 5, 1), "z", 1), 9);
        QCOMPARE(describe(h).last(), QStringLiteral("I:05/01:z:1"));

        // Dated later than entry No. ta_rec: after all earlier-dated entries.
        auto h2 = head();
        h2->addArticle(income(d(2026, 5, 1), "a", 1));
        h2->addArticle(income(d(2026, 5, 5), "b", 1));
        h2->addArticle(income(d(2026, 5, 10), "c", 1));
        h2->insertNumberedArticle(income(d(2026, 5, 7), "n", 1), 1);
        QCOMPARE(describe(h2).join(','),
                 QStringLiteral("I:05/01:a:1,I:05/05:b:1,I:05/07:n:1,I:05/10:c:1"));

        // 3 May at row 3 among 1, 5, 10 May: third, after 5 May (the
        // second walk counts rows without looking at dates).
        auto h3 = head();
        h3->addArticle(income(d(2026, 5, 1), "a", 1));
        h3->addArticle(income(d(2026, 5, 5), "b", 1));
        h3->addArticle(income(d(2026, 5, 10), "c", 1));
        h3->insertNumberedArticle(income(d(2026, 5, 3), "n", 1), 3);
        QCOMPARE(describe(h3).join(','),
                 QStringLiteral("I:05/01:a:1,I:05/05:b:1,I:05/03:n:1,I:05/10:c:1"));
    }

    void deleteIsByIdentity()
    {
        auto h = head();
        auto a = income(d(2026, 5, 1), "a", 1);
        auto twin = income(d(2026, 5, 1), "a", 1);
        h->addArticle(a);
        h->deleteArticle(twin.get());
        QCOMPARE(describe(h).size(), 1);
        h->deleteArticle(a.get());
        QVERIFY(!h->taLink);
        h->removeNextArticle(); // at the end: nothing
        QVERIFY(!h->taLink);
    }

    void getSupplyNumberedArticleCountsFromSelf()
    {
        auto h = head();
        h->addArticle(income(d(2026, 4, 1), "i", 1));
        auto e1 = expense(d(2026, 4, 2), "e1", 1);
        auto e2 = expense(d(2026, 4, 3), "e2", 1);
        h->addArticle(e1);
        h->addArticle(e2);
        auto first = h->nextSupplyArticle();
        QCOMPARE(first.get(), e1.get());
        QCOMPARE(first->getSupplyNumberedArticle(1).get(), e1.get());
        QCOMPARE(first->getSupplyNumberedArticle(2).get(), e2.get());
        QVERIFY(!first->getSupplyNumberedArticle(3));
    }

    void sortingPutsIncomeFirstOnTheSameDay()
    {
        auto h = head();
        h->insertArticle(income(d(2026, 3, 31), "c", 1));
        h->insertArticle(income(d(2026, 4, 1), "b", 1));
        h->insertArticle(expense(d(2026, 4, 1), "a", 1));
        auto sorted = h->sorting();
        QCOMPARE(describe(sorted).join(','),
                 QStringLiteral("I:03/31:c:1,I:04/01:b:1,E:04/01:a:1"));
        // The original is untouched and the copies are new objects.
        QCOMPARE(describe(h).first(), QStringLiteral("E:04/01:a:1"));
        QVERIFY(sorted->taLink.get() != h->taLink->taLink->taLink.get());
        // An empty list sorts to an empty head.
        QVERIFY(!head()->sorting()->taLink);
    }

    void appendWithSumMergesEqualLines()
    {
        auto h = head();
        h->appendArticleWithSum(income(d(2026, 5, 1), "A", 100, "x", 0, 30));
        h->appendArticleWithSum(income(d(2026, 5, 2), "A", 50, "x", 0, 0));
        QCOMPARE(h->taLink->taAmount, 150);
        QCOMPARE(h->taLink->taStudentsNumber, qint16(30));
        h->appendArticleWithSum(income(d(2026, 5, 2), "A", 50, "x", 0, 25));
        QCOMPARE(h->taLink->taStudentsNumber, qint16(55));
        h->appendArticleWithSum(income(d(2026, 5, 2), "A", 1, "y"));
        QCOMPARE(describeArticles(h).size(), 2);
        // The coarser equality ignores the breakdown and the pupils.
        auto g = head();
        g->appendSubArticleWithSum(income(d(2026, 5, 1), "A", 100, "x", 0, 30));
        g->appendSubArticleWithSum(income(d(2026, 5, 1), "A", 5, "y", 0, 30));
        QCOMPARE(describeArticles(g), QStringList{QStringLiteral("A=105")});
        QCOMPARE(g->taLink->taStudentsNumber, qint16(30));
        // Overflow raises instead of wrapping.
        g->appendSubArticleWithSum(income(d(2026, 5, 1), "B", 2147483647));
        QVERIFY_THROWS_EXCEPTION(OverflowError, g->appendSubArticleWithSum(income(d(2026, 5, 1), "B", 1)));
    }

    void collectUsesDetailLinesAndSkipsBlanks()
    {
        auto list = head();
        auto e = expense(d(2026, 6, 1), "X", 300, "sub");
        setDetails(e, {{QString(), 0}, {"A", 100}, {QString(), 0}, {"B", 200}});
        list->addArticle(e);
        list->addArticle(expense(d(2026, 6, 2), QString(), 0)); // blank: never listed
        auto plain = expense(d(2026, 6, 3), "Y", 50);
        setDetails(plain, {{QString(), 0}}); // only blank lines: the entry itself
        list->addArticle(plain);
        list->addArticle(income(d(2026, 5, 1), "I", 10, "a"));
        list->addArticle(income(d(2026, 5, 2), "I", 20, "a"));
        list->addArticle(income(d(2026, 5, 3), "I", 5, "b"));

        auto target = head();
        ArticlePtr source = list->taLink;
        target->collectArticle(false, source);
        QVERIFY(!source); // walked to the end
        // Blank lines after the first real one are listed (as an empty article).
        QCOMPARE(describeArticles(target),
                 (QStringList{"A=100", "=0", "B=200", "Y=50"}));
        QCOMPARE(target->taLink->taSubArticle, QStringLiteral("sub"));

        source = list->taLink;
        target->collectArticle(true, source);
        QCOMPARE(describeArticles(target), (QStringList{"I=30", "I=5"}));
        QCOMPARE(target->sumArticle(), 35);
    }

    void collectMonthlyUsesSchoolMonths()
    {
        auto list = head();
        list->addArticle(income(d(2027, 1, 10), "jan", 1));
        list->addArticle(income(d(2026, 8, 1), "aug", 1));
        list->addArticle(income(d(2026, 9, 1), "sep", 1));
        list->addArticle(income(d(2026, 10, 1), "oct", 1));
        list->addArticle(income(d(2020, 3, 1), "mar-other-year", 1));
        auto target = head();
        ArticlePtr s = list->taLink;
        target->collectMonthlyArticle(true, 13, 15, s);
        QCOMPARE(describeArticles(target), (QStringList{"mar-other-year=1", "jan=1"}));
        s = list->taLink;
        target->collectMonthlyArticle(true, 4, 9, s);
        QCOMPARE(describeArticles(target), (QStringList{"aug=1", "sep=1"}));
        s = list->taLink;
        target->collectMonthlyArticle(true, 8, 12, s);
        QCOMPARE(describeArticles(target), (QStringList{"aug=1", "sep=1", "oct=1"}));
    }

    void sumArticleCountsExpensesNegative()
    {
        auto h = head();
        h->addArticle(income(d(2026, 4, 1), "i", 1000));
        h->addArticle(expense(d(2026, 4, 1), "e", 300));
        QCOMPARE(h->sumArticle(), 700);
        auto e = head();
        e->addArticle(expense(d(2026, 4, 1), "e", 300));
        QCOMPARE(e->sumArticle(), -300);
    }

    void cloneSharesTheDetailLines()
    {
        auto e = expense(d(2026, 4, 1), "e", 300);
        setDetails(e, {{"A", 100}, {"B", 200}});
        e->taKey = 7;
        auto c = e->cloneArticle();
        QCOMPARE(c->taKey, 7);
        QVERIFY(c->taDetailList != e->taDetailList);
        c->taDetailList->tdLink->tdAmount = 150;
        QCOMPARE(e->taDetailList->tdLink->tdAmount, 150);
        c->taDetailList->insertDetail(std::make_shared<MekaluDetail>("new", 1));
        QCOMPARE(chain(e->taDetailList), (QStringList{"A", "B"}));
        QCOMPARE(chain(c->taDetailList), (QStringList{"new", "A", "B"}));
    }

    void detailChainOperations()
    {
        auto make = [] {
            auto h = std::make_shared<MekaluDetail>();
            h->appendDetail(std::make_shared<MekaluDetail>("A", 1));
            h->appendDetail(std::make_shared<MekaluDetail>("B", 2));
            return h;
        };
        QCOMPARE(std::make_shared<MekaluDetail>()->sumDetail(), 0);
        for (auto [pos, expected] : std::initializer_list<std::pair<int, const char *>>{
                 {1, "x,A,B"}, {2, "A,x,B"}, {3, "A,B,x"}, {0, "A,B,x"}}) {
            auto h = make();
            h->insertNumberedDetail(std::make_shared<MekaluDetail>("x", 0), qint16(pos));
            QCOMPARE(chain(h).join(','), QString::fromLatin1(expected));
        }
        auto h = make();
        QCOMPARE(h->sumDetail(), 3);
        auto stranger = std::make_shared<MekaluDetail>("A", 1);
        h->deleteDetail(stranger.get());
        QCOMPARE(chain(h).join(','), QStringLiteral("A,B"));
        auto a = h->tdLink;
        h->appendDetail(a); // already there: nothing changes
        QCOMPARE(chain(h).join(','), QStringLiteral("A,B"));
        h->deleteDetail(a.get());
        QCOMPARE(chain(h).join(','), QStringLiteral("B"));
        h->tdLink->tdAmount = 2147483647;
        h->appendDetail(std::make_shared<MekaluDetail>("C", 1));
        QVERIFY_THROWS_EXCEPTION(OverflowError, h->sumDetail());
    }

    void selectionOrderingByCount()
    {
        auto h = std::make_shared<MekaluSelection>();
        h->appendSelectionWithCount(sel("A"));
        QCOMPARE(names(h), (QStringList{"A 1"}));
        h->appendSelectionWithCount(sel("B"));
        QCOMPARE(names(h), (QStringList{"A 1", "B 1"}));
        h->appendSelectionWithCount(sel("B"));
        QCOMPARE(names(h), (QStringList{"B 2", "A 1"}));
        h->appendSelectionWithCount(sel("A"));
        QCOMPARE(names(h), (QStringList{"A 2", "B 2"}));
        h->appendSelectionWithCount(sel("B"));
        QCOMPARE(names(h), (QStringList{"B 2", "A 2"}));
        // Case differs: a new name, at the very end.
        h->appendSelectionWithCount(sel("b"));
        QCOMPARE(names(h).last(), QStringLiteral("b 1"));
        // The count passed in is raised, not the stored one.
        auto big = std::make_shared<MekaluSelection>(QStringLiteral("A"), 5, makeDate(QDate(2026, 1, 1)));
        h->appendSelectionWithCount(big);
        QCOMPARE(names(h).first(), QStringLiteral("A 6"));
    }

    void selectionAgeingRemovesOneRecordPerNewName()
    {
        auto h = std::make_shared<MekaluSelection>();
        h->appendSelectionWithCount(sel("old1", 2023)); // 2023 + 2 < 2026
        h->appendSelectionWithCount(sel("old2", 2023));
        h->appendSelectionWithCount(sel("kept", 2024));
        // Each append of a new name removed one aged record (old1, then old2).
        QCOMPARE(names(h), (QStringList{"kept 1"}));

        auto g = std::make_shared<MekaluSelection>();
        g->insertSelection(sel("aged", 2020));
        // An empty name changes nothing, not even the ageing.
        g->appendSelectionWithCount(sel(QString()));
        QCOMPARE(names(g), (QStringList{"aged 1"}));
        // Re-using a name does not age.
        g->appendSelectionWithCount(sel("aged"));
        QCOMPARE(names(g), (QStringList{"aged 2"}));
    }

    void longChainsAreReleasedWithoutRecursion()
    {
        auto h = head();
        MekaluArticle *last = h.get();
        for (int i = 0; i < 1000000; ++i) {
            last->taLink = std::make_shared<MekaluArticle>();
            last = last->taLink.get();
        }
        h.reset(); // would overflow the stack if released recursively
        auto dh = std::make_shared<MekaluDetail>();
        MekaluDetail *dl = dh.get();
        for (int i = 0; i < 1000000; ++i) {
            dl->tdLink = std::make_shared<MekaluDetail>();
            dl = dl->tdLink.get();
        }
        dh.reset();
        QVERIFY(true);
    }
};

HARUMOKA_CORE_TEST_MAIN(TestLists)
#include "tst_lists.moc"
