// The real dialogs: how Qt's message boxes answer the keys and the title
// bar's close button; where the window's file requests start and what they
// propose, and what Qt's real dialogs then show (the filter's label, the
// files listed, the PDF name in the print dialog).
#include "app/qt_dialogs.h"
#include "model/version.h"
#include "support/test_main.h"
#include "support/window_fixture.h"
#include "ui/window/file_requests.h"
#include "support/parts.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLineEdit>
#include <QListView>
#include <QMessageBox>
#include <QPushButton>
#include <QRegularExpression>
#include <QWindow>
#include <QPrintDialog>
#include <QPrinter>
#include <QSettings>
#include <QTimer>

namespace {

const QString kAccount = QStringLiteral("3年2組");

void forgetLastFolder()
{
    QSettings(QString::fromUtf8(kAppTitle), QString::fromUtf8(kAppTitle)).remove(QStringLiteral("LastFolder"));
}

// Runs `inspect` on the modal dialog that the next call opens, once it is
// up, and closes the dialog if `inspect` left it open (a failed check).
template <class DialogType>
void whenShown(const std::function<void(DialogType *)> &inspect)
{
    auto *poll = new QTimer;
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, [poll, inspect] {
        auto *dialog = qobject_cast<DialogType *>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        poll->stop();
        poll->deleteLater();
        inspect(dialog);
        if (dialog->isVisible())
            dialog->reject();
    });
    poll->start();
}

} // namespace

class TestFileDialogs : public QObject {
    Q_OBJECT
private slots:
    // Escape and the title bar's close button never answer Yes; on the
    // unsaved-changes question (YesNoCancel) they cancel.
    void messageBoxAnswers_data()
    {
        QTest::addColumn<int>("buttons");
        QTest::addColumn<QString>("action"); // a key, "close" (the title bar's button) or a button's caption
        QTest::addColumn<int>("answer");
        using A = Dialogs::Answer;
        using B = Dialogs::Buttons;
        const QList<std::tuple<const char *, B, const char *, A>> rows = {
            {"unsaved: Escape", B::YesNoCancel, "Escape", A::Cancel},
            {"unsaved: close", B::YesNoCancel, "close", A::Cancel},
            {"unsaved: Enter", B::YesNoCancel, "Return", A::Yes},
            {"unsaved: いいえ", B::YesNoCancel, "いいえ", A::No},
            {"yes/no: Escape", B::YesNo, "Escape", A::No},
            {"yes/no: close", B::YesNo, "close", A::No},
            {"yes/no: Enter", B::YesNo, "Return", A::Yes},
            {"recovery: Escape", B::YesNoDelete, "Escape", A::No},
            {"recovery: close", B::YesNoDelete, "close", A::No},
            {"recovery: 削除", B::YesNoDelete, "削除", A::Delete},
            {"recovery: はい", B::YesNoDelete, "はい", A::Yes},
            {"OK: Escape", B::Ok, "Escape", A::Ok},
        };
        for (const auto &[name, buttons, action, answer] : rows)
            QTest::newRow(name) << int(buttons) << QString::fromUtf8(action) << int(answer);
    }
    void messageBoxAnswers()
    {
        QFETCH(int, buttons);
        QFETCH(QString, action);
        QFETCH(int, answer);
        static const QStringList captions[] = {{"OK"}, {"はい", "いいえ"}, {"はい", "いいえ", "キャンセル"},
                                               {"はい", "いいえ", "削除"}};
        auto caption = [](QAbstractButton *b) {
            return b->text().remove(QRegularExpression(QStringLiteral("\\(&.\\)|&")));
        };
        QStringList shown;
        QString title, text;
        whenShown<QMessageBox>([&](QMessageBox *box) {
            for (QAbstractButton *b : box->buttons())
                shown << caption(b);
            title = box->windowTitle();
            text = box->text();
            // As on a desktop: the box that comes up is the active window.
            QApplication::setActiveWindow(box);
            if (action == QLatin1String("close"))
                box->windowHandle()->close();
            else if (action == QLatin1String("Escape") || action == QLatin1String("Return"))
                QTest::keyClick(QApplication::focusWidget(),
                                action == QLatin1String("Escape") ? Qt::Key_Escape : Qt::Key_Return);
            for (QAbstractButton *b : box->buttons())
                if (caption(b) == action)
                    b->click();
        });
        QCOMPARE(int(QtDialogs().message(nullptr, QStringLiteral("保存しますか？\r二行目"), Dialogs::Buttons(buttons),
                                         Dialogs::Icon::Question, QString())),
                 answer);
        shown.sort();
        QStringList expected = captions[buttons];
        expected.sort();
        QCOMPARE(shown, expected);
        QCOMPARE(title, QString::fromUtf8(kAppTitle));
        QCOMPARE(text, QStringLiteral("保存しますか？\n二行目"));
    }

    void windowRequestsStartWhereTheUserWorks_data()
    {
        QTest::addColumn<bool>("account");    // an account from folder "account" is open
        QTest::addColumn<bool>("remembered"); // a file was last chosen in folder "last"
        QTest::addColumn<QString>("expected"); // the user has a documents folder unless "" (home) is expected
        QTest::newRow("the account's folder") << true << true << "account";
        QTest::newRow("the last folder") << false << true << "last";
        QTest::newRow("documents") << false << false << "Documents";
        QTest::newRow("home") << false << false << "";
    }
    void windowRequestsStartWhereTheUserWorks()
    {
        QFETCH(bool, account);
        QFETCH(bool, remembered);
        QFETCH(QString, expected);
        forgetLastFolder();
        const QString home = QDir::homePath();
        QDir(home + QStringLiteral("/Documents")).removeRecursively();
        if (!expected.isEmpty())
            QVERIFY(QDir(home).mkpath(QStringLiteral("Documents")));
        WindowFixture f;
        for (const char *folder : {"account", "last"})
            QVERIFY(QDir(f.dir.path()).mkpath(QString::fromLatin1(folder)));
        if (remembered) {
            // A CSV written there is what the user last chose.
            f.dialogs.expectSave(f.path(QStringLiteral("last/表.csv")));
            part<QAction>(*f.w, "mnuFileCsv")->trigger();
        }
        QString prefix;
        if (account) {
            // A name without a dot, as the teacher named it.
            const QString file = f.path(QStringLiteral("account/") + kAccount);
            writeCp932(file, {"iMekalu135", "True", "", "", "", "", "", "True", "2026/05/01", " 30", "学級費", "",
                              " 0", " 0", " 100"});
            QVERIFY(f.w->documentCommands().openFile(file));
            prefix = kAccount + QLatin1Char('_');
        }
        const QString folder = expected == QLatin1String("account") || expected == QLatin1String("last")
            ? f.path(expected)
            : QDir(home).filePath(expected);
        const QString start = QDir::cleanPath(folder);

        // Every command that asks for a file, cancelled; Open last, as it closes the account.
        f.dialogs.expectSave(QString())
            .expectMessage(QStringLiteral("年間元帳を印刷します。よろしいですか？"), Dialogs::Answer::Yes)
            .expectPrint(false)
            .expectSave(QString())
            .expectOpen(QString());
        f.w->exportCsv();
        f.w->print();
        f.w->documentCommands().saveAs();
        f.w->documentCommands().open();
        QVERIFY(f.dialogs.done());

        const QList<Dialogs::FileRequest> &asked = f.dialogs.fileRequests;
        QCOMPARE(asked.at(asked.size() - 3).start, start + QLatin1Char('/') + prefix + QStringLiteral("年間元帳.csv"));
        QCOMPARE(f.dialogs.pdfNamesSeen.last(), start + QLatin1Char('/') + prefix + QStringLiteral("年間元帳.pdf"));
        QCOMPARE(asked.at(asked.size() - 2).start, start);
        QCOMPARE(asked.last().start, start);
        QCOMPARE(asked.last().filter, QStringLiteral("すべてのﾌｧｲﾙ (*.*)|*"));
    }

    void openDialogListsNamesWithoutADot()
    {
        QTemporaryDir dir;
        for (const QString &name : {kAccount, QStringLiteral("a.txt")}) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QString label;
        QStringList listed;
        whenShown<QFileDialog>([&](QFileDialog *dialog) {
            label = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"))->currentText();
            auto *view = dialog->findChild<QListView *>(QStringLiteral("listView"));
            auto names = [view] {
                QStringList out;
                for (int r = 0; r < view->model()->rowCount(view->rootIndex()); ++r)
                    out << view->model()->index(r, 0, view->rootIndex()).data().toString();
                return out;
            };
            // The folder is read in the background: on a busy machine that takes a while.
            QTRY_VERIFY_WITH_TIMEOUT(names().contains(QStringLiteral("a.txt")) && names().contains(kAccount), 300000);
            listed = names();
            // Choosing in Qt's own open dialog races its background listing
            // now and then; the choice is checked on the save dialog below.
            static_cast<QDialog *>(dialog)->reject();
        });
        forgetLastFolder();
        QtDialogs qt;
        QVERIFY(qt.openFileName(nullptr, openAccountRequest(dir.filePath(QStringLiteral("a.txt")))).isEmpty());
        QCOMPARE(label, QStringLiteral("すべてのﾌｧｲﾙ (*.*)"));
        QVERIFY2(listed.contains(kAccount), qPrintable(listed.join(QLatin1Char(' '))));
    }

    // The encoding chosen last time is selected; the one the user leaves selected comes back.
    void csvDialogSelectsAndReturnsTheFilter()
    {
        QTemporaryDir dir;
        chosenCsvEncoding(1);
        QString selected;
        whenShown<QFileDialog>([&](QFileDialog *dialog) {
            auto *types = dialog->findChild<QComboBox *>(QStringLiteral("fileTypeCombo"));
            selected = types->currentText();
            types->setCurrentIndex(0);
            static_cast<QDialog *>(dialog)->accept();
        });
        int filter = -1;
        forgetLastFolder();
        const QString chosen = QtDialogs().saveFileName(
            nullptr, csvExportRequest(dir.filePath(QStringLiteral("a.txt")), QStringLiteral("年間元帳")), &filter);
        QCOMPARE(selected, QStringLiteral("CSVﾌｧｲﾙ UTF-8 (*.csv)"));
        QCOMPARE(filter, 0);
        // The folder of a chosen file is the next dialogs' start.
        QVERIFY(!chosen.isEmpty());
        QCOMPARE(lastDialogFolder(), QDir::cleanPath(dir.path()));
    }

    void printDialogProposesThePdfName()
    {
        const QString pdf = QDir::temp().filePath(kAccount + QStringLiteral("_年間会計報告.pdf"));
        QString proposed;
        whenShown<QPrintDialog>([&](QPrintDialog *dialog) {
            proposed = dialog->findChild<QLineEdit *>(QStringLiteral("filename"))->text();
            dialog->reject();
        });
        QPrinter printer;
        QtDialogs qt;
        QVERIFY(!qt.printDialog(nullptr, &printer, QStringLiteral("ﾍﾟｰｼﾞ設定"), pdf));
        QCOMPARE(proposed, pdf);
    }
};

HARUMOKA_TEST_MAIN(TestFileDialogs)
#include "tst_file_dialogs.moc"
