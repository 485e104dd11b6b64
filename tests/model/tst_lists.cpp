// The entry list's ordering rule, the values it keeps up to date, detail
// lines and the remembered names.
#include "model/entry_list.h"
#include "model/selection.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

#include <QRandomGenerator>
#include <algorithm>

namespace {

QStringList names(const SelectionList &list)
{
    QStringList out;
    for (const RememberedName &s : list.records())
        out << s.name + QLatin1Char(' ') + QString::number(s.count);
    return out;
}

RememberedName sel(const QString &name, int year = 2026, qint16 count = 1)
{
    return RememberedName{name, count, makeDate(QDate(year, 5, 1))};
}

// The list as one entry after another goes in where the rule puts it.
EntryList oneByOne(const std::vector<EntryPtr> &fileOrder)
{
    EntryList list;
    for (const EntryPtr &e : fileOrder)
        list.insertAt(list.placeFor(*e), e);
    return list;
}

std::vector<EntryPtr> randomEntries(QRandomGenerator &rng, int n)
{
    std::vector<EntryPtr> out;
    for (int i = 0; i < n; ++i) {
        // Few distinct days: many ties.
        const QDate day = d(2026, 4, 1).addDays(rng.bounded(12) * 17);
        auto e = rng.bounded(2) ? income(day, QString::number(i), rng.bounded(1000))
                                : expense(day, QString::number(i), rng.bounded(1000), QString(),
                                          qint16(rng.bounded(14)));
        e->key = i;
        out.push_back(e);
    }
    return out;
}

} // namespace

class TestLists : public QObject {
    Q_OBJECT
private slots:
    void init() { setTodayForTesting(QDate(2026, 12, 7)); }

    void orderingRule_data()
    {
        QTest::addColumn<QList<ArticlePtr>>("fileOrder");
        QTest::addColumn<QString>("listOrder");
        QTest::newRow("same day after the others")
            << QList<ArticlePtr>{income(d(2026, 5, 1), "a", 1), income(d(2026, 5, 1), "b", 1),
                                 income(d(2026, 4, 1), "first", 1), income(d(2026, 5, 1), "c", 1)}
            << "I:04/01:first:1,I:05/01:a:1,I:05/01:b:1,I:05/01:c:1";
        // An entry goes just before the next one of its kind, past entries of the other kind.
        QTest::newRow("before the next of its kind")
            << QList<ArticlePtr>{income(d(2026, 5, 3), "i3", 1), expense(d(2026, 5, 10), "e10", 1),
                                 income(d(2026, 5, 1), "i1", 1), expense(d(2026, 5, 5), "e5", 1)}
            << "I:05/01:i1:1,I:05/03:i3:1,E:05/05:e5:1,E:05/10:e10:1";
        QTest::newRow("a file in date order stays as it is")
            << QList<ArticlePtr>{expense(d(2026, 4, 2), "e", 1), income(d(2026, 4, 1), "i", 1),
                                 expense(d(2026, 4, 2), "f", 1)}
            << "E:04/02:e:1,I:04/01:i:1,E:04/02:f:1";
        QTest::newRow("the last of its kind at the very end")
            << QList<ArticlePtr>{income(d(2026, 5, 1), "i", 1), expense(d(2026, 4, 1), "e", 1),
                                 income(d(2026, 6, 1), "j", 1)}
            << "I:05/01:i:1,E:04/01:e:1,I:06/01:j:1";
    }
    void orderingRule()
    {
        QFETCH(QList<ArticlePtr>, fileOrder);
        QFETCH(QString, listOrder);
        const std::vector<EntryPtr> entries(fileOrder.begin(), fileOrder.end());
        QCOMPARE(describe(EntryList(entries)).join(','), listOrder);
        QCOMPARE(describe(oneByOne(entries)).join(','), listOrder);
    }

    // A file far out of order reads as fast as one in order, into the same
    // list as entries recorded one after another; the money left, the
    // receipt numbers in use and the lookups follow every change.
    void bulkAndSingleAgreeAndKeepTheirSums()
    {
        QRandomGenerator rng(20261207);
        for (int round = 0; round < 200; ++round) {
            const std::vector<EntryPtr> entries = randomEntries(rng, 1 + int(rng.bounded(40)));
            EntryList list(entries);
            QCOMPARE(describe(list), describe(oneByOne(entries)));
            // Remove a few and check what is kept against a count from scratch.
            for (int k = 0; k < 5 && list.size() > 0; ++k) {
                const EntryPtr victim = list.entries()[size_t(rng.bounded(list.size()))];
                list.removeAt(list.placeOf(victim->key));
            }
            qint64 remainder = 0;
            std::vector<bool> used(1000);
            for (const EntryPtr &e : list.entries()) {
                remainder += e->signedAmount();
                used[size_t(e->receipt)] = true;
                const EntryList::Place p = list.placeOf(e->key);
                QCOMPARE(list.entries()[size_t(p.index)], e);
                QCOMPARE(list.at(e->income, p.row), e);
            }
            QCOMPARE(list.remainder(), remainder);
            QStringList free;
            for (int n = 1; n < 1000 && free.size() < 11; ++n)
                if (!used[size_t(n)])
                    free << Str(n);
            QCOMPARE(list.freeReceiptNumbers(), free);
            for (bool income : {true, false})
                QVERIFY(std::is_sorted(list.ofKind(income).begin(), list.ofKind(income).end(),
                                       [](const EntryPtr &a, const EntryPtr &b) { return a->date < b->date; }));
        }
    }

    void printOrderPutsIncomeFirstOnTheSameDay()
    {
        const EntryList list = listOf({expense(d(2026, 4, 1), "a", 1), income(d(2026, 3, 31), "c", 1),
                                       income(d(2026, 4, 1), "b", 1), expense(d(2026, 4, 1), "z", 1)});
        QCOMPARE(describe(list.printOrder()).join(','),
                 QStringLiteral("I:03/31:c:1,I:04/01:b:1,E:04/01:a:1,E:04/01:z:1"));
        QVERIFY(EntryList().printOrder().empty());
    }

    void detailLines()
    {
        const DetailLines lines{{QString(), 0}, {"A", 1}, {QString(), 0}, {"B", 2}};
        QCOMPARE(firstNonBlankDetail(lines) - lines.cbegin(), 1);
        QCOMPARE(sumDetail(lines), 3);
        const DetailLines big{{"A", 2147483647}, {"B", 1}};
        QVERIFY_THROWS_EXCEPTION(OverflowError, sumDetail(big));
        QCOMPARE(detailTotal(big), 2147483648LL);
    }

    void selectionOrderingByCount()
    {
        SelectionList h;
        const QList<QPair<QString, QString>> steps = {
            {"A", "A 1"}, {"B", "A 1,B 1"}, {"B", "B 2,A 1"}, {"A", "A 2,B 2"}, {"B", "B 3,A 2"},
            {"A", "A 3,B 3"}, {"A", "A 4,B 3"},
            // Case differs: a new name, at the very end.
            {"b", "A 4,B 3,b 1"}};
        for (const auto &[name, expected] : steps) {
            h.appendSelectionWithCount(sel(name));
            QCOMPARE(names(h).join(','), expected);
        }
        // A record that comes with a count of its own adds it.
        h.appendSelectionWithCount(sel("b", 2026, 5));
        QCOMPARE(names(h).first(), QStringLiteral("b 6"));
    }

    void selectionAgeingRemovesOneRecordPerNewName()
    {
        SelectionList h;
        h.appendSelectionWithCount(sel("old1", 2023)); // 2023 + 2 < 2026
        h.appendSelectionWithCount(sel("old2", 2023));
        h.appendSelectionWithCount(sel("kept", 2024));
        // Each append of a new name removed one aged record (old1, then old2).
        QCOMPARE(names(h), (QStringList{"kept 1"}));

        SelectionList g;
        g.addSelection(sel("aged", 2020));
        // An empty name changes nothing, not even the ageing.
        g.appendSelectionWithCount(sel(QString()));
        QCOMPARE(names(g), (QStringList{"aged 1"}));
        // Re-using a name does not age.
        g.appendSelectionWithCount(sel("aged"));
        QCOMPARE(names(g), (QStringList{"aged 2"}));
        // A count of 32,767 used once more fails and changes nothing.
        g.addSelection(sel("max", 2026, 32767));
        QVERIFY_THROWS_EXCEPTION(OverflowError, g.appendSelectionWithCount(sel("max", 2026, 32767)));
        QCOMPARE(names(g), (QStringList{"max 32767", "aged 2"}));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestLists)
#include "tst_lists.moc"
