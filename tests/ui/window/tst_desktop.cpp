// The usual keys, the open file's name, バージョン情報 and named print jobs.
#include "support/test_main.h"
#include "support/window_fixture.h"
#include "ui/sheets/print_settings_sheet.h"
#include "support/parts.h"

#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QPrinter>
#include <QRadioButton>

class TestDesktop : public QObject {
    Q_OBJECT
private slots:
    void keysNameAboutAndJobName()
    {
        WindowFixture f;
        const QString account = f.path(QStringLiteral("3年2組.txt")), ask = QStringLiteral("保存しますか");
        auto name = [&](const QString &text, const QString &tip) { // and "unsaved" in the accessible name
            QLabel *l = part<QLabel>(*f.w, "documentName");
            return l->text() == text && l->toolTip().startsWith(tip) && l->isVisible()
                && l->accessibleName().contains(QStringLiteral("保存していない")) == text.endsWith(QStringLiteral("）"));
        };
        auto edit = [&] { commitText(part<QLineEdit>(*f.w, "TextSchoolName"), QStringLiteral("校")); };
        edit();
        QVERIFY(name(QStringLiteral("名前のない会計（未保存）"), QStringLiteral("まだ名前を")));
        f.dialogs.expectSave(account); // Ctrl+S without a name asks for one
        pressKey(Qt::Key_S, Qt::ControlModifier);
        QVERIFY(f.dialogs.done() && name("3年2組.txt", account));
        edit();
        QVERIFY(name(QStringLiteral("3年2組.txt（未保存）"), account));
        pressKey(Qt::Key_S, Qt::ControlModifier); // named: saved without a question
        QVERIFY(!f.doc().isModified());
        f.dialogs.expectSave(QString()).expectMessageContaining(QStringLiteral("ハルモカ　Ver"));
        pressKey(Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
        part<QAction>(*f.w, "mnuHelpAbout")->trigger();
        const QString about = f.dialogs.log.constLast(); // version, licence, where the files are
        QVERIFY(about.contains("MIT") && about.contains(f.path("3年2組.bak")) && about.contains(f.path("Mekalu.ini")));
        part<QRadioButton>(*f.w, "optPrint", 10)->click();
        f.dialogs.expectMessageContaining(QStringLiteral("年間元帳を印刷"), Dialogs::Answer::Yes).expectPrint(true, f.path("l.pdf"));
        f.w->print();
        QCOMPARE(f.w->printCommands().printer()->docName(), QStringLiteral("3年2組 年間元帳"));
        edit(); // Ctrl+Q asks about unsaved changes; キャンセル keeps the window
        f.dialogs.expectMessageContaining(ask, Dialogs::Answer::Cancel).expectMessageContaining(ask, Dialogs::Answer::No);
        pressKey(Qt::Key_Q, Qt::ControlModifier);
        QVERIFY(f.w->isVisible());
        part<QAction>(*f.w, "mnuFileClose")->trigger(); // closed: no file shown, though Save As starts at the old one
        QVERIFY(f.dialogs.done() && name(QStringLiteral("名前のない会計"), QStringLiteral("まだ")));
    }
};

HARUMOKA_TEST_MAIN(TestDesktop)
#include "tst_desktop.moc"
