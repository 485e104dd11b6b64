// The print command and the preview through the real window.
#include "model/values.h"
#include "support/test_main.h"
#include "storage/codec.h"
#include "support/test_util.h"
#include "support/window_fixture.h"
#include "ui/widgets/datepicker.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/print_settings_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QPushButton>
#include <QAction>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPrinter>
#include <QProcess>
#include <QRadioButton>
#include <QStandardPaths>

static QString pdfText(const QString &pdf)
{
    QProcess p;
    p.start(QStringLiteral("pdftotext"), {QStringLiteral("-layout"), pdf, QStringLiteral("-")});
    if (!p.waitForFinished(20000))
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

static const QString kConfirmYear = QStringLiteral("年間元帳を印刷します。よろしいですか？");

class TestPrintCommand : public QObject {
    Q_OBJECT

    void addMismatchedAccount(WindowFixture &f)
    {
        f.add(expense(d(2026, 4, 1), "first", 100));
        f.add(income(d(2026, 4, 2), "in", 5000));
        auto ok = f.add(expense(d(2026, 4, 3), "second", 300));
        f.setDetails(ok, {{"a", 100}, {"b", 200}});
        f.add(income(d(2026, 4, 4), "in2", 5000));
        auto bad = f.add(expense(d(2026, 4, 5), "third", 300));
        f.setDetails(bad, {{"a", 100}, {"b", 199}});
        f.refill();
    }

private slots:
    void mismatchQuestionNamesTheExpenseAndNoPrintsNothing()
    {
        WindowFixture f;
        addMismatchedAccount(f);
        f.dialogs.expectMessage(QStringLiteral("支出表の3番目の記載金額と、その明細書の合計金額が違っています。\r印刷してもいいですか？"),
                                Dialogs::Answer::No);
        part<QAction>(*f.w, "mnuFilePrint")->trigger();
        QVERIFY(f.dialogs.done());
        QCOMPARE(f.dialogs.log.size(), 1);
    }

    void confirmationNoShowsWhereToChoose()
    {
        WindowFixture f;
        f.dialogs.expectMessage(kConfirmYear, Dialogs::Answer::No)
            .expectMessage(QStringLiteral("「設定」画面から、印刷の種類を選択してください。"));
        part<QAction>(*f.w, QStringLiteral("印刷"))->trigger();
        QVERIFY(f.dialogs.done());
    }

    void cancelledDialogPrintsNothingAndSaysNothing()
    {
        WindowFixture f;
        addMismatchedAccount(f);
        f.dialogs.expectMessageContaining(QStringLiteral("支出表の3番目"), Dialogs::Answer::Yes)
            .expectMessage(kConfirmYear, Dialogs::Answer::Yes)
            .expectPrint(false);
        f.w->print();
        QVERIFY(f.dialogs.done());
    }

    // Run by the print service test with a queue it stopped or set to
    // refuse the job: the window says what --print says (HARUMOKA_QUEUE_SAYS).
    // Without a word to expect, the job goes through.
    void aQueueSaysWhatItDidWithTheJob()
    {
        const QString queue = qEnvironmentVariable("HARUMOKA_QUEUE");
        if (queue.isEmpty())
            QSKIP("needs a print service with a queue");
        WindowFixture f;
        f.add(income(d(2026, 5, 1), "学級費", 48000, "5月分", 1500, 32));
        f.w->printCommands().printer()->setOutputFormat(QPrinter::NativeFormat);
        f.w->printCommands().printer()->setPrinterName(queue);
        f.dialogs.expectMessage(kConfirmYear, Dialogs::Answer::Yes).expectPrint(true);
        const QString says = qEnvironmentVariable("HARUMOKA_QUEUE_SAYS");
        if (!says.isEmpty())
            f.dialogs.expectMessageContaining(says);
        f.w->print();
        QVERIFY(f.dialogs.done());
    }

    void printsTheChosenKindToPdf()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("pdftotext")).isEmpty())
            QSKIP("pdftotext (poppler-utils) is not installed");
        WindowFixture f;
        part<QLineEdit>(*f.w, "TextSchoolName")->setText(QStringLiteral("さくら小学校"));
        part<QComboBox>(*f.w, "ComboGradeHome")->setEditText(QStringLiteral("第３学年"));
        part<QComboBox>(*f.w, "ComboRoomHome")->setEditText(QStringLiteral("２組"));
        part<QLineEdit>(*f.w, "TextChargeHome")->setText(QStringLiteral("山田"));
        f.add(income(d(2026, 5, 1), "学級費", 48000, "5月分", 1500, 32));
        f.add(expense(d(2026, 5, 2), "画用紙", 12345, QString(), 7));
        f.refill();
        part<QRadioButton>(*f.w, "optPrint", 1)->click(); // 一学期会計報告
        // The job and the proposed PDF are named after the whole account name, dots and all.
        f.dialogs.expectSave(f.path(QStringLiteral("2026.3年2組.txt")));
        QVERIFY(f.w->documentCommands().saveAs());
        const QString pdf = f.path(QStringLiteral("report.pdf"));
        f.dialogs.expectMessage(QStringLiteral("一学期会計報告を印刷します。よろしいですか？"), Dialogs::Answer::Yes)
            .expectPrint(true, pdf);
        f.w->print();
        QVERIFY(f.dialogs.done());
        QCOMPARE(f.w->printCommands().printer()->docName(), QStringLiteral("2026.3年2組 一学期会計報告"));
        QCOMPARE(f.dialogs.pdfNamesSeen.last(), f.path(QStringLiteral("2026.3年2組_一学期会計報告.pdf")));
        const QString text = pdfText(pdf);
        QVERIFY2(text.contains(QStringLiteral("学級会計報告")), qPrintable(text));
        QVERIFY(text.contains(QStringLiteral("さくら小学校")));
        QVERIFY(text.contains(QStringLiteral("＠1,500×32人")));
        QVERIFY(text.contains(QStringLiteral("35,655")));
        QVERIFY(text.contains(QStringLiteral("令和8年12月7日")));

        // After a ledger the grids still show entry n in row n.
        part<QRadioButton>(*f.w, "optPrint", 10)->click();
        const QString ledger = f.path(QStringLiteral("ledger.pdf"));
        f.dialogs.expectMessage(kConfirmYear, Dialogs::Answer::Yes).expectPrint(true, ledger);
        f.w->print();
        QVERIFY(pdfText(ledger).contains(QStringLiteral("学級会計元帳")));
        QCOMPARE(part<FlexGrid>(*f.w, "MSFlexGridIncome")->TextMatrix(1, 2), QStringLiteral("学級費"));
        QCOMPARE(part<FlexGrid>(*f.w, "MSFlexGridSupply")->TextMatrix(1, 3), QStringLiteral("画用紙"));
    }

    // The dialog's PDF file goes the export's way: an account file named
    // there is refused and left as it was.
    void pdfFileOverAnAccountIsRefused()
    {
        WindowFixture f;
        f.add(income(d(2026, 5, 1), "学級費", 1000));
        f.refill();
        const QString account = f.path(QStringLiteral("other.txt"));
        writeCp932(account, {QStringLiteral("iMekalu135"), QStringLiteral("学級")});
        const QByteArray before = readBytes(account);
        part<QRadioButton>(*f.w, "optPrint", 10)->click();
        f.dialogs.expectMessage(kConfirmYear, Dialogs::Answer::Yes)
            .expectPrint(true, account)
            .expectMessageContaining(QStringLiteral("帳簿が失われるため、書き出しませんでした"));
        f.w->print();
        QVERIFY(f.dialogs.done());
        QCOMPARE(readBytes(account), before);
        QCOMPARE(f.w->printCommands().printer()->outputFileName(), account);
        // The same from the preview's print button.
        f.dialogs.expectPreview().expectMessageContaining(QStringLiteral("印刷できませんでした。\r書き出し先"));
        part<QAction>(*f.w, "mnuFilePrintPreview")->trigger();
        QVERIFY(f.dialogs.done());
        QCOMPARE(readBytes(account), before);
    }

    void ledgerOrderReachesTheGrids()
    {
        WindowFixture f;
        for (int i = 1; i <= 3; ++i)
            f.add(income(d(2026, 4, i * 2), QStringLiteral("e%1").arg(i), 100));
        // An earlier date typed into row 3 and recorded from another column
        // moves the entry to its place by date.
        IncomeSheet *s = part<IncomeSheet>(*f.w, "incomeSheet");
        part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(3, 1);
        part<DatePicker>(*s, "DTPickerIncomeDate")->setValue(QDate(2026, 4, 1));
        part<FlexGrid>(*s, "MSFlexGridIncome")->clickCell(3, 2);
        part<QPushButton>(*s, "CommandIncomeCancel")->click();
        QCOMPARE(part<FlexGrid>(*s, "MSFlexGridIncome")->TextMatrix(1, 2), QStringLiteral("e3"));
        part<QRadioButton>(*f.w, "optPrint", 10)->click();
        f.dialogs.expectMessage(kConfirmYear, Dialogs::Answer::Yes).expectPrint(true, f.path(QStringLiteral("l.pdf")));
        f.w->print();
        QVERIFY(f.dialogs.done());
        // The ledger printed in date order and left the list as it was: row n shows entry No. n.
        FlexGrid *grid = part<FlexGrid>(*s, "MSFlexGridIncome");
        const QStringList rows = {gridRow(grid, 1, 3).at(2), gridRow(grid, 2, 3).at(2), gridRow(grid, 3, 3).at(2)};
        QCOMPARE(rows, (QStringList{"e3", "e1", "e2"}));
        QCOMPARE(f.doc().entryAt(true, 1)->article, QStringLiteral("e3"));
        // The selection went with e3 to row 1, and printing left it there.
        QCOMPARE(s->selectedRow(), qint16(1));
    }

    void previewDrawsThroughTheSameCode()
    {
        WindowFixture f;
        f.add(income(d(2026, 5, 1), "学級費", 1000));
        f.refill();
        const QString pdf = f.path(QStringLiteral("preview.pdf"));
        f.w->printCommands().printer()->setOutputFileName(pdf);
        f.dialogs.expectPreview();
        part<QAction>(*f.w, "mnuFilePrintPreview")->trigger();
        QVERIFY(f.dialogs.done());
        QVERIFY(QFile(pdf).size() > 1000);
    }

    // Each toolbar button does what its menu command does, through the same
    // questions and dialogs.
    void toolbarButtons_data()
    {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("made"); // the file the command writes or opens
        QTest::newRow("開く") << "開く" << "a.txt";
        QTest::newRow("名前をつけて保存") << "名前をつけて保存" << "b.txt";
        QTest::newRow("上書き保存") << "上書き保存" << "c.txt";
        QTest::newRow("ページ設定") << "ページ設定" << "";
        QTest::newRow("印刷プレビュー") << "印刷プレビュー" << "preview.pdf";
        QTest::newRow("印刷") << "印刷" << "print.pdf";
    }
    void toolbarButtons()
    {
        QFETCH(QString, button);
        QFETCH(QString, made);
        WindowFixture f;
        f.add(income(d(2026, 5, 1), "学級費", 1000));
        f.refill();
        const QString path = f.path(made);
        if (button == "開く") {
            QVERIFY(writeBytes(path, "iMekalu135\r\nTrue\r\n\r\n\r\n\r\n\r\n\r\n"));
            f.doc().setModified(false);
            f.dialogs.expectOpen(path);
        } else if (button == "上書き保存") {
            f.dialogs.expectSave(path);
            QVERIFY(f.w->documentCommands().saveAs());
            f.add(income(d(2026, 5, 2), "追加", 500));
            f.refill();
        } else if (button.endsWith("保存")) {
            f.dialogs.expectSave(path);
        } else if (button == "ページ設定") {
            f.dialogs.expectPageSetup(false);
        } else if (button == "印刷プレビュー") {
            f.w->printCommands().printer()->setOutputFileName(path);
            f.dialogs.expectPreview();
        } else {
            f.dialogs.expectMessageContaining(QStringLiteral("印刷します。よろしいですか？"), Dialogs::Answer::Yes)
                .expectPrint(true, path);
        }
        part<QAction>(*f.w, qPrintable(button))->trigger();
        QVERIFY(f.dialogs.done());
        QVERIFY(made.isEmpty() || QFile(path).size() > 10);
        QCOMPARE(f.doc().fileName(), made.endsWith(".txt") ? path : QString());
        QCOMPARE(readBytes(path).contains(encodeCp932(QStringLiteral("追加"))), button == "上書き保存");
    }

    void overflowWhileDrawingIsReported()
    {
        WindowFixture f;
        f.add(income(d(2026, 5, 1), "a", 2147483647));
        f.add(income(d(2027, 1, 1), "b", 1));
        f.refill();
        // The year total leaves 32 bits: the summaries already fail with a clear message.
        f.dialogs.expectMessageContaining(QStringLiteral("範囲"));
        part<QAction>(*f.w, "mnuFilePrint")->trigger();
        QVERIFY(f.dialogs.done());
    }
};

HARUMOKA_TEST_MAIN(TestPrintCommand)
#include "tst_printcommand.moc"
