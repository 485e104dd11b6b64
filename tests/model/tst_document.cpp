// The document's one way in: every edit emits changed() once, names the
// rows it touched and marks the document modified; an edit that changes
// nothing, loading and closing do not mark it; undo and redo put back the
// exact list.
#include "model/document.h"
#include "model/values.h"
#include "support/core_test_main.h"
#include "support/test_util.h"

#include <functional>

Q_DECLARE_METATYPE(std::function<void(Document &)>)

class TestDocument : public QObject {
    Q_OBJECT

    // Two income entries and an expense with two detail lines (and a blank one).
    static void fill(Document &doc)
    {
        const ArticlePtr e = expense(d(2026, 5, 2), QStringLiteral("紙"), 300);
        setDetails(e, {{QStringLiteral("白"), 100}, {QString(), 0}, {QStringLiteral("色"), 200}});
        const ArticlePtr entries[] = {income(d(2026, 5, 1), QStringLiteral("b"), 200), e,
                                      income(d(2026, 6, 1), QStringLiteral("a"), 100)};
        for (int k = 0; k < 3; ++k)
            entries[k]->key = k + 1;
        doc.load(listOf({entries[0], entries[1], entries[2]}), AccountTitle(), 4, false, QStringLiteral("a.txt"));
    }

    // What a view that follows the row changes shows for each kind.
    struct Mirror {
        QStringList rows[2];
        explicit Mirror(const Document &doc)
        {
            for (bool income : {false, true})
                for (const EntryPtr &e : doc.entries().ofKind(income))
                    rows[income] << describe({e}).first();
        }
        void follow(const Document::Update &u)
        {
            for (const Document::RowChange &c : u.rows) {
                QStringList &r = rows[c.income];
                const QString now = c.entry ? describe({c.entry}).first() : QString();
                if (c.kind == Document::RowChange::Inserted)
                    r.insert(c.row, now);
                else if (c.kind == Document::RowChange::Removed)
                    r.removeAt(c.row);
                else
                    r[c.row] = now;
            }
        }
    };

private slots:
    void editsAndNonEdits_data()
    {
        using Op = std::function<void(Document &)>;
        QTest::addColumn<Op>("op");
        QTest::addColumn<bool>("edit");
        QTest::newRow("record") << Op([](Document &doc) {
            doc.recordEntry(*income(d(2026, 7, 1), QStringLiteral("c"), 1), nullptr);
        }) << true;
        QTest::newRow("record with a new date") << Op([](Document &doc) {
            doc.recordEntry(*income(d(2026, 7, 1), QStringLiteral("c"), 1), doc.entryAt(true, 1));
        }) << true;
        QTest::newRow("record on the same day") << Op([](Document &doc) {
            doc.recordEntry(*income(d(2026, 5, 1), QStringLiteral("b"), 250), doc.entryAt(true, 1));
        }) << true;
        QTest::newRow("record unchanged") << Op([](Document &doc) {
            doc.recordEntry(*doc.entryAt(false, 1), doc.entryAt(false, 1));
        }) << false;
        QTest::newRow("remove") << Op([](Document &doc) { doc.removeEntry(doc.entryAt(false, 1)); }) << true;
        QTest::newRow("record a detail line") << Op([](Document &doc) {
            doc.recordDetailLine(doc.entryAt(false, 1)->key, 1, DetailLine{QStringLiteral("x"), 5}, false);
        }) << true;
        QTest::newRow("remove a detail line") << Op([](Document &doc) {
            doc.removeDetailLine(doc.entryAt(false, 1)->key, 0);
        }) << true;
        QTest::newRow("drop blank detail lines") << Op([](Document &doc) {
            doc.dropBlankDetailLines(doc.entryAt(false, 1)->key);
        }) << true;
        QTest::newRow("title") << Op([](Document &doc) {
            AccountTitle t = doc.title();
            t.grade = QStringLiteral("第１学年");
            doc.setTitle(t);
        }) << true;
        QTest::newRow("same title") << Op([](Document &doc) { doc.setTitle(doc.title()); }) << false;
        QTest::newRow("remove what is not there") << Op([](Document &doc) {
            const ArticlePtr stranger = income(d(2026, 7, 1), QStringLiteral("c"), 1);
            stranger->key = 99;
            doc.removeEntry(stranger);
        }) << false;
        QTest::newRow("an empty detail list") << Op([](Document &doc) {
            doc.ensureDetailList(doc.entryAt(true, 1)->key);
        }) << false;
        QTest::newRow("close") << Op([](Document &doc) { doc.reset(); }) << false;
    }
    void editsAndNonEdits()
    {
        QFETCH(std::function<void(Document &)>, op);
        QFETCH(bool, edit);
        Document doc;
        fill(doc);
        const QByteArray before = describe(doc.entries()).join('\n').toUtf8();
        Mirror view(doc);
        int changes = 0;
        std::vector<Document::Edit> edits;
        connect(&doc, &Document::changed, &doc, [&](const Document::Update &u) {
            ++changes;
            view.follow(u);
        });
        connect(&doc, &Document::editDone, &doc, [&](const Document::Edit &e) { edits.push_back(e); });
        op(doc);
        QCOMPARE(doc.isModified(), edit);
        QCOMPARE(int(edits.size()), edit ? 1 : 0);
        if (!edit)
            return;
        QCOMPARE(changes, 1);
        // Undo puts back the exact list, redo the edited one; a view that
        // follows the rows it is told of shows the document all along.
        const QStringList after = describe(doc.entries());
        for (const auto &step : {std::function<void()>(), std::function<void()>([&] { doc.undo(edits[0]); }),
                                 std::function<void()>([&] { doc.redo(edits[0]); })}) {
            if (step)
                step();
            for (int kind : {0, 1})
                QCOMPARE(view.rows[kind], Mirror(doc).rows[kind]);
        }
        QCOMPARE(describe(doc.entries()), after);
        doc.undo(edits[0]);
        QCOMPARE(describe(doc.entries()).join('\n').toUtf8(), before);
    }

    void recordingGivesNewKeysKeepsDetailLinesAndRefusesAnOverflowBeforeChanging()
    {
        Document doc;
        fill(doc);
        const EntryPtr first = doc.entryAt(true, 1);
        const EntryPtr recorded = doc.recordEntry(*income(first->date.date(), first->article, 150), first);
        QCOMPARE(recorded->key, 4);
        QCOMPARE(doc.nextArticleKey(), 5);
        QCOMPARE(doc.rowOf(4), 1);
        QCOMPARE(doc.rowOf(first->key), 0);
        QCOMPARE(describe(doc.entries()), (QStringList{"I:05/01:b:150", "E:05/02:紙:300", "I:06/01:a:100"}));
        // A panel's copy has no detail lines of its own: the stored ones stay.
        const EntryPtr e = doc.entryAt(false, 1);
        const EntryPtr again = doc.recordEntry(*expense(e->date.date(), QStringLiteral("画用紙"), 300), e);
        QCOMPARE(again->details->size(), 3);
        QCOMPARE(doc.remainder(), 150 + 100 - 300);

        Document full;
        full.load(EntryList(), AccountTitle(), 2147483647, false, QString());
        QVERIFY_THROWS_EXCEPTION(OverflowError, full.recordEntry(*income(d(2026, 5, 1), QStringLiteral("x"), 1), nullptr));
        QCOMPARE(full.entries().size(), 0);
        QVERIFY(!full.isModified());
    }
};

HARUMOKA_CORE_TEST_MAIN(TestDocument)
#include "tst_document.moc"
