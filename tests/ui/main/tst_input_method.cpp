// A real Japanese input method in a real window (run by with_input_method.sh:
// Xvfb, fcitx5 with Anthy, Qt's fcitx front end). The keys go through the X
// server and the input method exactly as a treasurer's keyboard does.
#include "model/values.h"
#include "storage/codec.h"
#include "support/test_main.h"
#include "support/window_fixture.h"
#include "ui/main/datepicker.h"
#include "ui/main/flexgrid.h"
#include "ui/main/income_sheet.h"

#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTabWidget>

namespace {

QString run(const QString &program, const QStringList &args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(20000) || p.exitCode() != 0)
        qWarning() << program << args << "failed:" << p.readAllStandardError();
    return QString::fromLocal8Bit(p.readAllStandardOutput()).trimmed();
}

// Keys through the X server to the window that has the X focus.
void xkeys(const QStringList &keys)
{
    run(QStringLiteral("xdotool"), QStringList{QStringLiteral("key"), QStringLiteral("--delay"), QStringLiteral("60")} + keys);
}

void xtype(const QString &text)
{
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("60"), text});
}

} // namespace

class TestInputMethod : public QObject {
    Q_OBJECT
private slots:
    void amountAndDateWithTheInputMethodOn()
    {
        QCOMPARE(QGuiApplication::platformName(), QStringLiteral("xcb"));
        WindowFixture f;
        IncomeSheet *s = f.w->incomeSheet;
        f.w->SSTabSheets->setCurrentIndex(1);
        s->MSFlexGridIncome->setFocus();
        run(QStringLiteral("xdotool"), {QStringLiteral("windowfocus"), QStringLiteral("--sync"),
                                        QString::number(f.w->winId())});
        QTRY_VERIFY(f.w->isActiveWindow());

        // Enter on the blank row: a new entry, its date open; Tab to its article.
        xkeys({QStringLiteral("Return")});
        QTRY_COMPARE(QApplication::focusWidget(), s->DTPickerIncomeDate);
        xkeys({QStringLiteral("Tab")});
        QTRY_COMPARE(QApplication::focusWidget(), s->ComboIncomeArticle);

        // The input method on (Anthy, hiragana), in the article box.
        // (Asked again until it is on: the box's input context is set up asynchronously.)
        QTRY_VERIFY_WITH_TIMEOUT(run(QStringLiteral("fcitx5-remote"), {QStringLiteral("-o")}).isEmpty()
                                     && run(QStringLiteral("fcitx5-remote"), {}) == QStringLiteral("2"),
                                 20000);
        // A word converted; the Enter that confirms it records nothing.
        xtype(QStringLiteral("gakkyuuhi"));
        xkeys({QStringLiteral("space")});
        xkeys({QStringLiteral("Return")});
        QTRY_VERIFY(!s->ComboIncomeArticle->currentText().isEmpty()
                    && s->ComboIncomeArticle->currentText().at(0).unicode() > 0x3000);
        const QString article = s->ComboIncomeArticle->currentText();
        QCOMPARE(QApplication::focusWidget(), s->ComboIncomeArticle);
        QVERIFY(f.doc().entryAt(true, 1)->taArticle.isEmpty());

        // To the amount box with the input method still on: digits straight from the keys.
        xkeys({QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab"), QStringLiteral("Tab")});
        QTRY_COMPARE(QApplication::focusWidget(), s->TextIncomeAmount);
        xtype(QStringLiteral("1200"));
        QTRY_COMPARE(s->TextIncomeAmount->text(), QStringLiteral("1200"));
        xkeys({QStringLiteral("Return")});
        QTRY_COMPARE(f.doc().entryAt(true, 1)->taAmount, 1200);

        // The date, typed digit after digit.
        mouseClickCell(s->MSFlexGridIncome, 1, 1);
        QTRY_COMPARE(QApplication::focusWidget(), s->DTPickerIncomeDate);
        xtype(QStringLiteral("20260606"));
        xkeys({QStringLiteral("Return")});
        QTRY_COMPARE(f.doc().entryAt(true, 1)->taDate.date(), QDate(2026, 6, 6));

        const QString path = f.path(QStringLiteral("im.txt"));
        f.dialogs.expectSave(path);
        f.w->mnuFileSaveAs->trigger();
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines = decodeCp932(file.readAll()).split(QStringLiteral("\r\n"));
        const qsizetype at = lines.indexOf(QStringLiteral("2026/06/06"));
        QVERIFY2(at > 0, qPrintable(lines.join('|')));
        QCOMPARE(lines.mid(at - 1, 8), (QStringList{"True", "2026/06/06", " 30", article, "", " 0", " 0", " 1200"}));
    }
};

HARUMOKA_TEST_MAIN(TestInputMethod)
#include "tst_input_method.moc"
