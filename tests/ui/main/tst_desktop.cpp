// What desktop users expect of the window: the usual keys for saving and
// quitting, the open file's name with an unsaved mark, バージョン情報, and print
// jobs named after the account and the printout.
#include "support/test_main.h"
#include "support/window_fixture.h"
#include "ui/main/print_settings_sheet.h"

#include <QAction>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QRadioButton>

static const QString kSaveQuestion = QStringLiteral("ﾌｧｲﾙが保存していません。保存しますか？");

class TestDesktop : public QObject {
    Q_OBJECT

    // The name label as a user and a screen reader get it.
    static void checkName(WindowFixture &f, const QString &text, const QString &tip, bool unsaved)
    {
        QCOMPARE(f.w->documentName->text(), text);
        QVERIFY2(f.w->documentName->toolTip().startsWith(tip), qPrintable(f.w->documentName->toolTip()));
        QCOMPARE(f.w->documentName->accessibleName().contains(QStringLiteral("保存していない変更")), unsaved);
        QVERIFY(f.w->documentName->isVisible());
    }

private slots:
    void keysNameAndAbout()
    {
        WindowFixture f;
        const QString account = f.path(QStringLiteral("3年2組.txt"));
        checkName(f, QStringLiteral("名前のない会計"), QStringLiteral("まだ名前を付けて保存していません"), false);
        commitText(f.w->printSheet->TextSchoolName, QStringLiteral("さくら小学校"));
        checkName(f, QStringLiteral("名前のない会計（未保存）"), QStringLiteral("まだ"), true);

        // Ctrl+S on an account without a name asks for one; the menu keeps its state.
        QVERIFY(!f.w->mnuFileSave->isEnabled());
        f.dialogs.expectSave(account);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(f.dialogs.done());
        QVERIFY(QFileInfo::exists(account));
        checkName(f, QStringLiteral("3年2組.txt"), account, false);

        // Named: Ctrl+S saves without a question, Ctrl+Shift+S asks for a name.
        commitText(f.w->printSheet->TextSchoolName, QStringLiteral("中学校"));
        checkName(f, QStringLiteral("3年2組.txt（未保存）"), account, true);
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(!f.doc().isModified());
        f.dialogs.expectSave(QString());
        pressKey(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(f.dialogs.done());

        // バージョン情報: version, licence, where the files are.
        f.dialogs.expectMessageContaining(QStringLiteral("ハルモカ　Ver"));
        f.w->mnuHelpAbout->trigger();
        QVERIFY(f.dialogs.done());
        const QString about = f.dialogs.log.constLast();
        for (const QString &part : {QStringLiteral("MIT"), account, f.path(QStringLiteral("3年2組.bak")),
                                    f.path(QStringLiteral("Mekalu.ini")), QStringLiteral(".conf")})
            QVERIFY2(about.contains(part), qPrintable(about));

        // A print job carries the account's and the printout's name.
        f.w->printSheet->optPrint[10]->click();
        f.dialogs.expectMessage(QStringLiteral("年間元帳を印刷します。よろしいですか？"), Dialogs::Answer::Yes)
            .expectPrint(true, f.path(QStringLiteral("l.pdf")));
        f.w->mnuFilePrint_Click();
        QCOMPARE(f.w->printer()->docName(), QStringLiteral("3年2組 年間元帳"));

        // Ctrl+Q quits through the unsaved-changes question; キャンセル keeps the window.
        commitText(f.w->printSheet->TextSchoolName, QStringLiteral("小学校"));
        f.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::Cancel);
        pressKey(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(f.dialogs.done());
        QVERIFY(f.w->isVisible());

        // Closed: the window shows no file again, though Save As starts at the old one.
        f.dialogs.expectMessage(kSaveQuestion, Dialogs::Answer::No);
        f.w->mnuFileClose->trigger();
        checkName(f, QStringLiteral("名前のない会計"), QStringLiteral("まだ"), false);
    }
};

HARUMOKA_TEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
