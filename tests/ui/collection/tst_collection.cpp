// The 集金 window through its real widgets: the class list read in over
// the file dialog, marks given with the keyboard (to the focus widget, as a
// keyboard sends them) and a double click, the collection's pupils and
// amount following in the income grid's entry, undo, and a name typed
// through the input method.
#include "support/test_main.h"
#include "support/window_fixture.h"
#include "ui/collection/collection_window.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QPushButton>
#include <QTableView>
#include <QUndoStack>
#include <QtTest>

class TestCollection : public QObject {
    Q_OBJECT

private slots:
    void markingByKeyboard()
    {
        WindowFixture f;
        const EntryPtr may = f.add(income(d(2026, 5, 8), QStringLiteral("学級費"), 4500, QStringLiteral("5月分"), 1500, 3));
        f.add(income(d(2026, 6, 8), QStringLiteral("学級費"), 3000, QStringLiteral("6月分"), 1500, 2));
        QVERIFY(writeBytes(f.path(QStringLiteral("names.csv")), "出席番号,氏名\r\n1,𠮷田 一郎\r\n2,髙橋 花子\r\n3,佐藤 次郎\r\n"));
        CollectionWindow window(f.doc(), f.w->session().undoStack(), f.dialogs, f.w.get());
        QAbstractItemModelTester tester(&window.table(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));

        // June's 2 pupils are not the roster's 3: unconfirmed, and said so.
        f.dialogs.expectOpen(f.path(QStringLiteral("names.csv")))
            .expectMessageContaining(QStringLiteral("生徒数が名簿の人数と違う集金が 1 件あります"));
        window.findChild<QPushButton *>(QStringLiteral("importRoster"))->click();
        QVERIFY(f.dialogs.done());
        QTableView *view = window.view();
        QCOMPARE(view->model()->rowCount(), 3);
        QCOMPARE(view->model()->index(0, 1).data().toString(), QStringLiteral("𠮷田 一郎"));
        QVERIFY(view->model()->headerData(3, Qt::Horizontal).toString().contains(QStringLiteral("未確認")));

        // Space on 髙橋's May cell: 未 (May was paid by all 3), pupils and amount follow.
        view->setFocus();
        view->setCurrentIndex(view->model()->index(1, 2));
        pressKey(Qt::Key_Space);
        QCOMPARE(view->model()->index(1, 2).data().toString(), QStringLiteral("未"));
        QCOMPARE(f.doc().entryAt(true, 1)->pupils, 2);
        QCOMPARE(f.doc().entryAt(true, 1)->amount, 3000);
        QCOMPARE(view->model()->index(1, 4).data().toString(), QStringLiteral("¥1,500"));
        // E: 免除, and back; Delete on a 済: 未.
        pressKey(Qt::Key_E);
        QCOMPARE(view->model()->index(1, 2).data().toString(), QStringLiteral("免除"));
        QCOMPARE(view->model()->index(1, 4).data().toString(), QString());
        // June: a double click marks 済 on the 受取日; the typed 2 pupils stay
        // (1 mark) and the header shows the difference.
        const QModelIndex june = view->model()->index(0, 3);
        const QPoint at = view->visualRect(june).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
        QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
        QVERIFY(june.data().toString().startsWith(QStringLiteral("済 ")));
        QCOMPARE(f.doc().entryAt(true, 2)->pupils, 2);
        QVERIFY(view->model()->headerData(3, Qt::Horizontal).toString().contains(QStringLiteral("生徒数 2（済 1）")));
        // 生徒数を済の数に合わせる, on the user's word only.
        window.findChild<QPushButton *>(QStringLiteral("matchPupils"))->click();
        QCOMPARE(f.doc().entryAt(true, 2)->pupils, 1);
        QCOMPARE(f.doc().entryAt(true, 2)->amount, 1500);

        // Ctrl+Z in this window takes the steps back, the entry's amount with its marks.
        view->setFocus();
        for (int i = 0; i < 3; ++i)
            pressKey(Qt::Key_Z, Qt::ControlModifier);
        QCOMPARE(view->model()->index(1, 2).data().toString(), QStringLiteral("未"));
        QCOMPARE(f.doc().entryAt(true, 1)->amount, 3000);
        QCOMPARE(f.doc().entryAt(true, 1)->key, may->key);
        QVERIFY(f.doc().isModified());
    }

    // Pupils added and renamed through the input method, renumbered, moved out.
    void rosterEdits()
    {
        WindowFixture f;
        f.add(income(d(2026, 5, 8), QStringLiteral("学級費"), 1500, QStringLiteral("5月分"), 1500, 1));
        CollectionWindow window(f.doc(), f.w->session().undoStack(), f.dialogs, f.w.get());
        window.show();
        QApplication::setActiveWindow(&window);
        QVERIFY(QTest::qWaitForWindowActive(&window));
        window.findChild<QPushButton *>(QStringLiteral("addPupil"))->click();
        commitText(QStringLiteral("﨑山 太郎"));
        pressKey(Qt::Key_Return);
        QTRY_COMPARE(f.doc().roster().first().name, QStringLiteral("﨑山 太郎")); // the view commits after the key
        QVERIFY(f.doc().entryAt(true, 1)->marks); // the first roster marks the collection: 1 pupil, all paid
        window.findChild<QPushButton *>(QStringLiteral("addPupil"))->click();
        commitText(QStringLiteral("山田"));
        pressKey(Qt::Key_Return);
        QTRY_COMPARE(f.doc().roster().last().name, QStringLiteral("山田"));
        QTableView *view = window.view();
        QVERIFY(view->model()->setData(view->model()->index(1, 0), QStringLiteral("0")) == false);
        QVERIFY(view->model()->setData(view->model()->index(1, 1), QStringLiteral("　")) == false); // a name stays a name
        QVERIFY(view->model()->setData(view->model()->index(0, 0), QStringLiteral("5")));
        QCOMPARE(f.doc().roster().first().name, QStringLiteral("山田")); // re-sorted by 出席番号
        // 﨑山 has a mark: kept as 転出; 山田 has none: gone.
        for (int row : {1, 0}) {
            view->setCurrentIndex(view->model()->index(row, 1));
            f.dialogs.expectMessageContaining(QStringLiteral("を"), Dialogs::Answer::Yes);
            window.findChild<QPushButton *>(QStringLiteral("removePupil"))->click();
        }
        QVERIFY(f.dialogs.done());
        QCOMPARE(f.doc().roster().size(), 1);
        QVERIFY(f.doc().roster().first().movedOut);
        QCOMPARE(view->model()->index(0, 1).data().toString(), QStringLiteral("﨑山 太郎（転出）"));
    }
};

HARUMOKA_TEST_MAIN(TestCollection)
#include "tst_collection.moc"
