// The quick ways through the lists must give exactly what the plain walks
// give: the collect operations' indexed merging against one
// appendArticleWithSum per line, the sort against one sortingAddArticle per
// entry, DateOrderInserter against one addArticle per entry, all on many
// random lists full of ties, blanks and detail lines.
#include "model/article.h"
#include "model/periods.h"
#include "model/values.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

#include <QRandomGenerator>
#include <limits>
#include <vector>

namespace {

ArticlePtr newHead()
{
    return std::make_shared<MekaluArticle>();
}

// ---- the plain walks, step by step as the lists are defined ---------------------

void plainCollect(MekaluArticle &self, bool inout, int first, int last, ArticlePtr &original)
{
    self.clearList();
    while (original) {
        const MekaluArticle &e = *original;
        const int m = schoolMonth(e.taDate);
        if (!e.isBlank() && e.taIncome == inout && first <= m && m <= last) {
            bool viaDetails = false;
            if (!inout && e.taDetailList) {
                const MekaluDetail *line = e.taDetailList.get();
                while (line && line->isBlank())
                    line = line->tdLink.get();
                for (; line; line = line->tdLink.get()) {
                    ArticlePtr c = e.cloneArticle();
                    c->taArticle = line->tdArticle;
                    c->taAmount = line->tdAmount;
                    self.appendArticleWithSum(c);
                    viaDetails = true;
                }
            }
            if (!viaDetails)
                self.appendArticleWithSum(e.cloneArticle());
        }
        original = original->taLink;
    }
}

ArticlePtr plainSorting(const MekaluArticle &list)
{
    auto head = newHead();
    const MekaluArticle *cur = list.taLink.get();
    if (!cur)
        return head;
    head->insertArticle(cur->cloneArticle());
    for (cur = cur->taLink.get(); cur; cur = cur->taLink.get())
        head->sortingAddArticle(cur->cloneArticle());
    return head;
}

// Every field of every element, the null/empty difference of the texts
// and which detail chain a copy shares included.
QStringList snapshot(const MekaluArticle &head)
{
    auto text = [](const QString &s) { return s.isNull() ? QStringLiteral("<null>") : s; };
    QStringList out;
    for (const MekaluArticle *e = head.taLink.get(); e; e = e->taLink.get()) {
        QString detail = QStringLiteral("-");
        if (e->taDetailList)
            detail = QStringLiteral("head:%1").arg(quintptr(e->taDetailList->tdLink.get()), 0, 16);
        out << QStringLiteral("%1|%2|%3|%4|%5|%6|%7|%8|%9|%10")
                   .arg(e->taIncome ? QStringLiteral("I") : QStringLiteral("E"),
                        e->taDate.isValid() ? e->taDate.toString(Qt::ISODateWithMs) : QStringLiteral("invalid"),
                        QString::number(e->taReceipt), text(e->taArticle), text(e->taSubArticle),
                        QString::number(e->taPerPerson), QString::number(e->taStudentsNumber),
                        QString::number(e->taAmount), QString::number(e->taKey))
                   .arg(detail);
    }
    return out;
}

// ---- random lists ---------------------------------------------------------------------

// Small pools so that equal lines, equal dates and blanks are common.
class RandomEntries {
public:
    explicit RandomEntries(quint32 seed) : m_rng(seed) {}

    int below(int n) { return int(m_rng.bounded(n)); }
    bool chance(int percent) { return below(100) < percent; }

    QDateTime date()
    {
        static const int months[] = {4, 5, 6, 7, 8, 9, 10, 11, 12, 1, 2, 3};
        const int month = months[below(12)];
        const QDate day(month <= 3 ? 2027 : 2026, month, 1 + below(3));
        return chance(15) ? makeDate(day, QTime(below(24), below(2) * 30)) : makeDate(day);
    }

    QString article()
    {
        static const QStringList pool = {QStringLiteral("学級費"), QStringLiteral("教材費"),
                                         QStringLiteral("A"), QStringLiteral("a"), QStringLiteral("")};
        return chance(5) ? QString() : pool[below(int(pool.size()))];
    }

    QString subArticle()
    {
        static const QStringList pool = {QStringLiteral("4月分"), QStringLiteral("x"), QStringLiteral("")};
        return chance(25) ? QString() : pool[below(int(pool.size()))];
    }

    ArticlePtr entry(qint32 key)
    {
        auto e = std::make_shared<MekaluArticle>();
        e->taIncome = chance(50);
        e->taDate = date();
        e->taArticle = article();
        e->taSubArticle = subArticle();
        e->taAmount = chance(10) ? 0 : below(2001) - 200;
        e->taPerPerson = below(3) * 100;
        static const qint16 pupils[] = {-1, 0, 0, 28, 30};
        e->taStudentsNumber = pupils[below(5)];
        e->taReceipt = qint16(below(5));
        e->taKey = key;
        if (!e->taIncome && chance(40)) {
            e->taDetailList = std::make_shared<MekaluDetail>();
            MekaluDetail *last = e->taDetailList.get();
            const int lines = below(5);
            for (int i = 0; i < lines; ++i) {
                auto line = chance(30) ? std::make_shared<MekaluDetail>()
                                       : std::make_shared<MekaluDetail>(article(), below(500));
                last->tdLink = line;
                last = line.get();
            }
        }
        return e;
    }

    // A list as addArticle leaves it (each kind in date order), or in any order.
    ArticlePtr list(int size, bool dateOrder)
    {
        auto head = newHead();
        for (int i = 0; i < size; ++i) {
            if (dateOrder)
                head->addArticle(entry(i + 1));
            else
                head->insertArticle(entry(i + 1));
        }
        return head;
    }

private:
    QRandomGenerator m_rng;
};

// The same entry again, a separate object (an entry is in one list only);
// its detail head links into the same chain, so snapshots agree.
ArticlePtr twin(const MekaluArticle &e)
{
    return e.cloneArticle();
}

struct CollectCase {
    bool income;
    int first;
    int last;
};
const CollectCase kCollectCases[] = {
    {true, 0, 99}, {false, 0, 99}, {true, 4, 7}, {false, 4, 7}, {true, 8, 12},
    {false, 8, 12}, {true, 13, 15}, {false, 13, 15}, {true, 10, 15}, {false, 4, 9},
};

} // namespace

class TestFastPaths : public QObject {
    Q_OBJECT
private slots:
    void init() { setTodayForTesting(QDate(2026, 12, 7)); }

    // ---- collect ----------------------------------------------------------------------

    void collectMergesLikeTheWalk()
    {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            RandomEntries r(seed);
            const ArticlePtr list = r.list(r.below(80), seed % 3 != 0);
            for (const CollectCase &c : kCollectCases) {
                auto fast = newHead();
                auto plain = newHead();
                // Whatever the targets held before is dropped by both.
                fast->insertArticle(r.entry(999));
                plain->insertArticle(r.entry(999));
                ArticlePtr fastSource = list->taLink;
                ArticlePtr plainSource = list->taLink;
                if (c.first == 0)
                    fast->collectArticle(c.income, fastSource);
                else
                    fast->collectMonthlyArticle(c.income, qint16(c.first), qint16(c.last), fastSource);
                plainCollect(*plain, c.income, c.first, c.last, plainSource);
                QVERIFY(!fastSource);
                QCOMPARE(snapshot(*fast), snapshot(*plain));
                QCOMPARE(fast->sumArticle(), plain->sumArticle());
            }
        }
    }

    void collectCopiesAreNewEntriesSharingTheDetailLines()
    {
        auto list = newHead();
        auto e = expense(d(2026, 6, 1), "X", 300, "sub");
        setDetails(e, {{QString(), 0}, {"A", 100}, {"B", 200}});
        list->addArticle(e);
        auto i1 = income(d(2026, 5, 1), "I", 10, "a", 0, 30);
        list->addArticle(i1);
        list->addArticle(income(d(2026, 5, 2), "I", 20, "a", 0, 30));

        auto target = newHead();
        ArticlePtr source = list->taLink;
        target->collectArticle(false, source);
        for (MekaluArticle *line = target->taLink.get(); line; line = line->taLink.get()) {
            QVERIFY(line != e.get());
            QVERIFY(line->taDetailList && line->taDetailList != e->taDetailList);
            QCOMPARE(line->taDetailList->tdLink.get(), e->taDetailList->tdLink.get());
        }
        source = list->taLink;
        target->collectArticle(true, source);
        // One line for both: a copy of the first, so the entry itself is untouched.
        QCOMPARE(describeArticles(target), QStringList{QStringLiteral("I=30")});
        QVERIFY(target->taLink.get() != i1.get());
        QCOMPARE(target->taLink->taStudentsNumber, qint16(60));
        QCOMPARE(i1->taAmount, 10);
        QCOMPARE(i1->taStudentsNumber, qint16(30));
    }

    void collectOverflowStopsWhereTheWalkStops()
    {
        // An amount that leaves 32 bits, and pupils that leave 16 bits: both
        // ways stop at the same entry with the same lines.
        auto amounts = newHead();
        amounts->addArticle(income(d(2026, 5, 1), "P", 1, "", 0, 30));
        amounts->addArticle(income(d(2026, 5, 2), "Q", 2000000000, "x"));
        amounts->addArticle(income(d(2026, 5, 3), "P", 1, "", 0, 30));
        amounts->addArticle(income(d(2026, 5, 4), "Q", 2000000000, "x"));
        amounts->addArticle(income(d(2026, 5, 5), "R", 1));
        auto pupils = newHead();
        pupils->addArticle(income(d(2026, 5, 1), "P", 1, "", 0, 30000));
        pupils->addArticle(income(d(2026, 5, 2), "Q", 1));
        pupils->addArticle(income(d(2026, 5, 3), "P", 1, "", 0, 30000));
        for (const ArticlePtr &list : {amounts, pupils}) {
            auto fast = newHead();
            auto plain = newHead();
            ArticlePtr fastSource = list->taLink;
            ArticlePtr plainSource = list->taLink;
            QVERIFY_THROWS_EXCEPTION(OverflowError, fast->collectArticle(true, fastSource));
            QVERIFY_THROWS_EXCEPTION(OverflowError, plainCollect(*plain, true, 0, 99, plainSource));
            QCOMPARE(snapshot(*fast), snapshot(*plain));
            QCOMPARE(snapshot(*fast).size(), 2);
            QVERIFY(fastSource);
            QCOMPARE(fastSource.get(), plainSource.get());
        }
    }

    // ---- sorting ----------------------------------------------------------------------

    void sortingOrdersLikeTheInsertionWalk()
    {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            RandomEntries r(seed);
            const ArticlePtr list = r.list(r.below(120), seed % 2 == 0);
            const QStringList before = snapshot(*list);
            const ArticlePtr fast = list->sorting();
            QCOMPARE(snapshot(*fast).size(), before.size());
            QCOMPARE(snapshot(*fast), snapshot(*plainSorting(*list)));
            QCOMPARE(snapshot(*list), before); // the original is left as it was
            // Copies, never the entries themselves.
            for (MekaluArticle *c = fast->taLink.get(); c; c = c->taLink.get())
                for (MekaluArticle *e = list->taLink.get(); e; e = e->taLink.get())
                    QVERIFY(c != e);
        }
    }

    void sortingOfDatesItCannotCompareFallsBackToTheWalk()
    {
        // Dates the program never makes (no date at all, local time) still
        // sort exactly as one sortingAddArticle per entry sorts them.
        for (quint32 seed = 1; seed <= 60; ++seed) {
            RandomEntries r(seed);
            const ArticlePtr list = r.list(20 + r.below(20), false);
            int i = 0;
            for (MekaluArticle *e = list->taLink.get(); e; e = e->taLink.get(), ++i) {
                if (i % 7 == 3)
                    e->taDate = QDateTime();
                else if (i % 5 == 1)
                    e->taDate = QDateTime(e->taDate.date(), QTime(12, 0), Qt::LocalTime);
            }
            QCOMPARE(snapshot(*list->sorting()), snapshot(*plainSorting(*list)));
        }
    }

    // ---- DateOrderInserter ---------------------------------------------------------------

    void inserterGivesTheListOfAddArticle()
    {
        for (quint32 seed = 1; seed <= 300; ++seed) {
            RandomEntries r(seed);
            // Two equal starting lists (each kind in date order, or any order).
            const ArticlePtr start = r.list(r.below(30), seed % 4 != 0);
            auto viaAppender = newHead();
            auto viaAdd = newHead();
            MekaluArticle *tailA = viaAppender.get();
            MekaluArticle *tailB = viaAdd.get();
            for (MekaluArticle *e = start->taLink.get(); e; e = e->taLink.get()) {
                tailA->taLink = twin(*e);
                tailA = tailA->taLink.get();
                tailB->taLink = twin(*e);
                tailB = tailB->taLink.get();
            }

            // Mostly later dates (appended), some earlier (inside the list) or odd ones.
            DateOrderInserter inserter(*viaAppender);
            QDate day(2026, 4, 1);
            const int count = r.below(80);
            for (int i = 0; i < count; ++i) {
                const ArticlePtr e = r.entry(1000 + i);
                if (r.chance(70)) {
                    day = day.addDays(r.below(3));
                    e->taDate = r.chance(20) ? makeDate(day, QTime(r.below(24), 0)) : makeDate(day);
                }
                if (r.chance(3))
                    e->taDate = QDateTime(e->taDate.date(), QTime(9, 0), Qt::LocalTime);
                inserter.insert(e);
                viaAdd->addArticle(twin(*e));
            }
            QCOMPARE(snapshot(*viaAppender), snapshot(*viaAdd));
        }
    }

};

HARUMOKA_CORE_TEST_MAIN(TestFastPaths)
#include "tst_fastpaths.moc"
