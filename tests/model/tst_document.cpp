// The document's one way in: every edit emits changed() once and marks it
// modified, loading and closing and the print order do not, and a captured
// state comes back exactly.
#include "model/document.h"
#include "model/values.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

#include <QSignalSpy>
#include <functional>

Q_DECLARE_METATYPE(std::function<void(Document &)>)

class TestDocument : public QObject {
    Q_OBJECT

    // Two income entries (one dated after the other but linked first) and
    // an expense with two detail lines.
    static void fill(Document &doc)
    {
        auto list = std::make_shared<MekaluArticle>();
        list->addArticle(income(d(2026, 5, 1), QStringLiteral("b"), 200));
        list->insertArticle(income(d(2026, 6, 1), QStringLiteral("a"), 100));
        const ArticlePtr e = expense(d(2026, 5, 2), QStringLiteral("紙"), 300);
        setDetails(e, {{QStringLiteral("白"), 100}, {QString(), 0}, {QStringLiteral("色"), 200}});
        list->addArticle(e);
        doc.load(list, AccountTitle(), 4, false, QStringLiteral("a.txt"));
    }

private slots:
    void editsAndNonEdits_data()
    {
        using Op = std::function<void(Document &)>;
        QTest::addColumn<Op>("op");
        QTest::addColumn<bool>("edit");
        QTest::newRow("record") << Op([](Document &doc) {
            doc.recordEntry(income(d(2026, 7, 1), QStringLiteral("c"), 1), nullptr, true, 0);
        }) << true;
        QTest::newRow("record in place of another") << Op([](Document &doc) {
            doc.recordEntry(income(d(2026, 7, 1), QStringLiteral("c"), 1), doc.entryAt(true, 1).get(), false, 1);
        }) << true;
        QTest::newRow("remove") << Op([](Document &doc) { doc.removeEntry(doc.entryAt(false, 1).get()); }) << true;
        QTest::newRow("record a detail line") << Op([](Document &doc) {
            doc.recordDetailLine(*doc.entryAt(false, 1), std::make_shared<MekaluDetail>(QStringLiteral("x"), 5),
                                 nullptr, 1);
        }) << true;
        QTest::newRow("remove a detail line") << Op([](Document &doc) {
            MekaluArticle &e = *doc.entryAt(false, 1);
            doc.removeDetailLine(e, e.taDetailList->tdLink.get());
        }) << true;
        QTest::newRow("drop blank detail lines") << Op([](Document &doc) {
            doc.dropBlankDetailLines(*doc.entryAt(false, 1));
        }) << true;
        QTest::newRow("title") << Op([](Document &doc) {
            AccountTitle t = doc.title();
            t.grade = QStringLiteral("第１学年");
            doc.setTitle(t);
        }) << true;
        QTest::newRow("same title") << Op([](Document &doc) { doc.setTitle(doc.title()); }) << false;
        QTest::newRow("remove what is not there") << Op([](Document &doc) {
            const ArticlePtr stranger = income(d(2026, 7, 1), QStringLiteral("c"), 1);
            doc.removeEntry(stranger.get());
        }) << false;
        QTest::newRow("print order") << Op([](Document &doc) { doc.sortByDate(); }) << false;
        QTest::newRow("close") << Op([](Document &doc) { doc.reset(); }) << false;
    }
    void editsAndNonEdits()
    {
        QFETCH(std::function<void(Document &)>, op);
        QFETCH(bool, edit);
        Document doc;
        fill(doc);
        QVERIFY(!doc.isModified());
        QSignalSpy changed(&doc, &Document::changed);
        op(doc);
        QCOMPARE(doc.isModified(), edit);
        if (edit)
            QCOMPARE(changed.count(), 1);
        // The counters follow the list whatever happened.
        int income = 0, supply = 0;
        for (const MekaluArticle *e = doc.articleList()->taLink.get(); e; e = e->taLink.get())
            ++(e->taIncome ? income : supply);
        QCOMPARE(doc.incomeCount(), qint16(income));
        QCOMPARE(doc.supplyCount(), qint16(supply));
    }

    void recordingGivesNewKeysAndRefusesAnOverflowBeforeChanging()
    {
        Document doc;
        fill(doc);
        const ArticlePtr first = doc.entryAt(true, 1);
        const ArticlePtr copy = income(first->taDate.date(), first->taArticle, 150);
        doc.recordEntry(copy, first.get(), false, 1);
        QCOMPARE(copy->taKey, 4);
        QCOMPARE(doc.nextArticleKey(), 5);
        QCOMPARE(describe(doc.articleList()), (QStringList{"I:05/01:b:200", "E:05/02:紙:300", "I:06/01:a:150"}));

        Document full;
        full.load(std::make_shared<MekaluArticle>(), AccountTitle(), 2147483647, false, QString());
        QVERIFY_THROWS_EXCEPTION(OverflowError, full.insertEntry(income(d(2026, 5, 1), QStringLiteral("x"), 1)));
        QVERIFY(!full.articleList()->taLink);
        QVERIFY(!full.isModified());
    }

    void aCapturedStateComesBackExactly()
    {
        Document doc;
        fill(doc);
        const DocumentState before = doc.capture();
        const QStringList shown = describe(doc.articleList());
        doc.removeEntry(doc.entryAt(true, 2).get());
        MekaluArticle &e = *doc.entryAt(false, 1);
        doc.removeDetailLine(e, e.taDetailList->tdLink.get());
        doc.sortByDate();
        doc.restore(before);
        QCOMPARE(describe(doc.articleList()), shown);
        const DocumentState again = doc.capture();
        QVERIFY(again.entries == before.entries);
        QVERIFY(again.detailLines == before.detailLines);
        QCOMPARE(doc.incomeCount(), qint16(2));
    }
};

HARUMOKA_CORE_TEST_MAIN(TestDocument)
#include "tst_document.moc"
