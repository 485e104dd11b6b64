// Every road by which text reaches a box, in the real window: a table of
// step sequences (written as the random walk's replays) against what the
// account holds after them, then seeded random walks checked at every step.
#include "support/parts.h"
#include "support/window_fixture.h"
#include "ui/detail/detail_window.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "ui/widgets/flexgrid.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/sheet_widgets.h"
#include "ui/window/undo_commands.h"

#include <QClipboard>
#include <QMenu>
#include <QRandomGenerator>
#include <QtTest>

namespace {

// 4月分, a collection stored as 100 × 30 = 3,004 (older files and hand
// corrections have such), and enough expenses to scroll.
void fillYear(WindowFixture &f)
{
    f.add(income(d(2026, 4, 10), "4月分", 32000, QString(), 1000, 32));
    f.add(income(d(2026, 5, 10), "5月分", 3004, QString(), 100, 30));
    for (int i = 0; i < 40; ++i)
        f.add(expense(d(2026, 6, 1).addDays(i), QStringLiteral("消耗品%1").arg(i), 100 + i));
    f.refill();
    f.showIncome();
    f.dialogs.lenient = true;
}

EntrySheet *shown(WindowFixture &f)
{
    if (part<QTabWidget>(*f.w, "SSTabSheets")->currentIndex() == 1)
        return part<IncomeSheet>(*f.w, "incomeSheet");
    return part<ExpenseSheet>(*f.w, "expenseSheet");
}

// The detail window while it is open, otherwise the sheet shown.
EntryPanel *active(WindowFixture &f)
{
    if (auto *d = f.w->findChild<DetailWindow *>(); d && d->isVisible())
        return d;
    return shown(f);
}

// One step as a replay names it: "click 2,5", "type 45000en", "ime あ",
// "paste １２００", "key Shift+Tab", "wheel -8", "Ctrl+Z", "行の追加", "tab",
// "明細書" (the expense's edit button) …
void perform(WindowFixture &f, const QString &step)
{
    EntryPanel *s = active(f);
    const QString arg = step.section(QLatin1Char(' '), 1);
    const bool income = s == part<IncomeSheet>(*f.w, "incomeSheet"), detail = qobject_cast<DetailWindow *>(s);
    if (step.startsWith(QLatin1String("click ")))
        mouseClickCell(s->grid(), arg.section(QLatin1Char(','), 0, 0).toInt(), arg.section(QLatin1Char(','), 1).toInt());
    else if (step.startsWith(QLatin1String("type ")))
        typeKeys(arg);
    else if (step.startsWith(QLatin1String("ime ")))
        commitText(arg);
    else if (step.startsWith(QLatin1String("paste "))) {
        QGuiApplication::clipboard()->setText(arg);
        pressKey(Qt::Key_V, Qt::ControlModifier);
    } else if (step.startsWith(QLatin1String("key ")) || step.startsWith(QLatin1String("Ctrl+"))) {
        const QHash<QString, QKeyCombination> keys{{"key Tab", Qt::Key_Tab}, {"key Shift+Tab", Qt::Key_Backtab},
            {"key Enter", Qt::Key_Return}, {"key Escape", Qt::Key_Escape}, {"key Backspace", Qt::Key_Backspace}, {"key Left", Qt::Key_Left}, {"Ctrl+Z", Qt::CTRL | Qt::Key_Z}, {"Ctrl+Y", Qt::CTRL | Qt::Key_Y}};
        pressKey(keys.value(step).key(), keys.value(step).keyboardModifiers());
    } else if (step.startsWith(QLatin1String("wheel "))) {
        QWidget *vp = s->grid()->viewport();
        const QPointF at(vp->width() / 2.0, vp->height() / 2.0);
        QWheelEvent e(at, vp->mapToGlobal(at), {}, QPoint(0, -120 * arg.toInt()), Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(vp, &e);
    } else if (step.startsWith(QLatin1String("menu "))) { // 行の削除 from the row's context menu
        const QRect cell = s->grid()->visualRect(s->grid()->model()->index(arg.toInt() - 1, 2));
        QContextMenuEvent e(QContextMenuEvent::Mouse, cell.center(), s->grid()->viewport()->mapToGlobal(cell.center()));
        QApplication::sendEvent(s->grid()->viewport(), &e);
        s->grid()->findChildren<QMenu *>().constLast()->actions().constFirst()->trigger();
    } else if (step == QLatin1String("refocus")) { // back from a message box
        QFocusEvent in(QEvent::FocusIn, Qt::ActiveWindowFocusReason);
        QApplication::sendEvent(QApplication::focusWidget(), &in);
    } else if (step == QLatin1String("spin")) { // the pupils' up arrow
        part<UpDown>(*s, "UpDownIncomeStudents")->findChild<QToolButton *>()->click();
    } else if (step == QLatin1String("tab")) {
        if (!detail)
            part<QTabWidget>(*f.w, "SSTabSheets")->setCurrentIndex(income ? 2 : 1);
    } else if (step == QStringLiteral("明細書")) {
        if (auto *b = part<QPushButton>(*f.w, "CommandSupplyDetail"); b->isVisible())
            b->click();
    } else {
        const QString name = QStringLiteral("Command%1%2").arg(detail ? "Detail" : income ? "Income" : "Supply",
                                                               step == QStringLiteral("行の追加") ? "New" : "Cancel");
        if (auto *b = part<QPushButton>(*s, qPrintable(name)); b->isEnabled())
            b->click();
    }
}

QString stored(const EntryPtr &e)
{
    return QStringLiteral("%1|%2|%3|%4|%5").arg(shortDate(e->date), e->article).arg(e->perPupil)
        .arg(e->pupils).arg(e->amount);
}

} // namespace

class TestTypingRoads : public QObject {
    Q_OBJECT
private slots:
    // Checks: "I2 <entry>" (income No. 2 as stored; E for an expense),
    // "incomes N", "saved" (no unsaved change and no undo step), "focus
    // NAME", "hidden NAME", "shows TEXT" (the focused box), "said TEXT" (a
    // message containing it), "asked N" and "highlight N" (the row
    // highlighted while a question was asked, and now).
    void roads_data()
    {
        QTest::addColumn<QString>("steps");
        QTest::addColumn<QString>("checks");
        const QString april = QStringLiteral("I1 2026/04/10|4月分|1000|32|32000");
        const QString may = QStringLiteral("I2 2026/05/10|5月分|100|30|3004; saved");
        const char *const rows[][3] = {
            {"a letter in the amount", "click 1,6; type a; key Enter", ""},
            {"a letter in the pupils", "click 1,5; type a; key Enter", ""},
            {"kana committed", "click 1,6; ime あ; key Enter", ""},
            {"a paste with a letter", "click 1,6; paste 12a; key Enter", ""},
            {"45000en", "click 1,6; type 45000en; key Enter", "I1 2026/04/10|4月分|0|32|45000"},
            {"full-width digits pasted", "click 1,6; paste １２００; key Enter", "I1 2026/04/10|4月分|0|32|1200"},
            {"per pupil visited", "click 2,4; key Enter", "may"},
            {"pupils visited", "click 2,5; key Enter", "may"},
            {"Tab through per pupil", "click 2,4; key Tab; key Enter", "may"},
            {"Shift+Tab through pupils", "click 2,5; key Shift+Tab; key Enter", "may"},
            {"5/8", "click 1,1; type 5/8; key Enter", "I1 2026/05/08|4月分|1000|32|32000"},
            {"R8/5/8", "click 1,1; type R8/5/8; key Enter", "I1 2026/05/08|4月分|1000|32|32000"},
            {"0508", "click 1,1; type 0508; key Enter", "I1 2026/05/08|4月分|1000|32|32000"},
            {"26/5/8", "click 1,1; type 26/5/8; key Enter", "I1 2026/05/08|4月分|1000|32|32000"},
            {"Backspace while typing a date", "click 1,1; type 5/88; key Backspace", "shows 5/8"},
            {"2026/5/08 full width", "click 1,1; ime ２０２６／５／０８; key Enter", "I1 2026/05/08|4月分|1000|32|32000"},
            {"January is next year", "click 1,1; type 1/15; key Enter", "I2 2027/01/15|4月分|1000|32|32000"},
            {"no such day", "click 1,1; type 5/80; key Enter", "said 「日付」に入力された「5/80」は日付として読めません。; shows 2026/04/10"},
            {"pupils 0, then a new row", "click 1,5; type 0; key Enter; 行の追加; key Enter", "I1 2026/04/10|4月分|1000|0|32000; I3 2026/12/07||0|32|0"},
            {"the pupils' spinner", "click 1,5; spin; spin; key Enter", "I1 2026/04/10|4月分|1000|34|34000"},
            {"a year out of range", "click 1,1; type 1800/5/8; key Enter", "said 「1800/5/8」は日付として読めません。"},
            {"a correction after coming back", "click 1,6; type 500; key Enter; click 1,6; type 600; key Enter; Ctrl+Z",
             "I1 2026/04/10|4月分|0|32|500"},
            {"scrolled away and back", "tab; click 1,3; type zzz; wheel 10; wheel -10", "focus ComboSupplyArticle"},
            {"Escape after scrolling", "tab; click 1,3; type zzz; wheel 10; wheel -10; key Escape", "E1 2026/06/01|消耗品0|0|0|100; saved"},
            {"a key while away", "tab; click 1,3; type zzz; wheel 10; type y; key Enter", "E1 2026/06/01|zzzy|0|0|100"},
            {"Enter while away", "tab; click 1,3; type zzz; wheel 10; key Enter", "E1 2026/06/01|zzz|0|0|100"},
            {"Tab while away", "tab; click 1,3; type zzz; wheel 10; key Tab; key Escape", "E1 2026/06/01|zzz|0|0|100"},
            {"Redo with typing", "click 1,6; type 500; key Enter; Ctrl+Z; click 2,2; ime メモ; Ctrl+Y; key Enter",
             "I1 2026/04/10|4月分|0|32|500; I2 2026/05/10|5月分|100|30|3004; incomes 2"},
            {"Ctrl+Z with nothing typed", "click 1,6; type 500; key Enter; click 2,4; Ctrl+Z", ""},
            {"new row, Escape", "行の追加; key Escape", "incomes 2; saved"},
            {"new row, ｷｬﾝｾﾙ", "行の追加; ｷｬﾝｾﾙ", "incomes 2; saved; hidden DTPickerIncomeDate"},
            {"blank row clicked, Escape", "click 3,4; key Escape", "incomes 2; saved"},
            {"Tab after Enter in a date", "click 1,1; type 4/11; key Enter; key Tab", "focus ComboIncomeArticle"},
            {"the delete question's row", "click 1,2; key Escape; menu 2", "asked 2; incomes 2; highlight 1"},
            {"characters the file cannot hold, each named once", "click 1,2; ime 𠮷田😀𠮷; key Enter",
             "said 「𠮷」「😀」はこのファイルに保存できない文字です。; I1 2026/04/10|田|1000|32|32000"},
            {"a pasted dash, euro and line", "click 1,2; paste 3–4月€\n分; key Enter",
             "said 「–」「€」はこのファイルに保存できない文字です。; I1 2026/04/10|34月|1000|32|32000"},
            {"left out in the middle", "click 1,2; type ac; key Left; ime 𠮷b; type d; key Enter",
             "said 「𠮷」; I1 2026/04/10|abdc|1000|32|32000"},
            {"an escape character pasted", "click 1,2; paste A\x1b$B; key Enter", "said 「U+001B」; I1 2026/04/10|A$B|1000|32|32000"},
            {"typing on after the message", "click 1,2; type ab; ime é; refocus; type c; key Enter",
             "said 「é」; I1 2026/04/10|abc|1000|32|32000"},
            {"names the file holds", "click 1,2; ime 髙橋﨑①～; key Enter", "quiet; I1 2026/04/10|髙橋﨑①～|1000|32|32000"},
            {"an emoji in an expense", "tab; click 1,3; type a; ime 😀; type b; key Enter",
             "said 「😀」; E1 2026/06/01|ab|0|0|100"},
        };
        for (const auto &r : rows) {
            const QString checks = QString::fromUtf8(r[2]);
            QTest::newRow(r[0]) << QString::fromUtf8(r[1]) << (checks.isEmpty() ? april : checks == QLatin1String("may") ? may : checks);
        }
    }
    void roads()
    {
        QFETCH(QString, steps);
        QFETCH(QString, checks);
        WindowFixture f;
        fillYear(f);
        int asked = 0;
        f.dialogs.onMessage = [&] { asked = shown(f)->grid()->table()->selectedRow(); };
        for (const QString &step : steps.split(QStringLiteral("; ")))
            perform(f, step);
        QCoreApplication::processEvents(); // messages said once a key is over
        for (const QString &check : checks.split(QStringLiteral("; "))) {
            const QString arg = check.section(QLatin1Char(' '), 1);
            if (check == QLatin1String("saved"))
                QVERIFY(!f.doc().isModified() && f.w->undoStack().index() == 0);
            else if (check.startsWith(QLatin1String("asked")) || check.startsWith(QLatin1String("highlight")))
                QCOMPARE(check.startsWith('a') ? asked : shown(f)->grid()->table()->selectedRow(), arg.toInt());
            else if (check.startsWith(QLatin1String("hidden")))
                QVERIFY(part<QWidget>(*f.w, qPrintable(arg))->isHidden());
            else if (check.startsWith(QLatin1String("shows")))
                QCOMPARE(QApplication::focusWidget()->findChild<QLineEdit *>()->text(), arg);
            else if (check.startsWith(QLatin1String("incomes")))
                QCOMPARE(f.doc().count(true), arg.toInt());
            else if (check.startsWith(QLatin1String("focus")))
                QCOMPARE(QApplication::focusWidget()->objectName(), arg);
            else if (check == QLatin1String("quiet"))
                QCOMPARE(f.dialogs.log, QStringList());
            else if (check.startsWith(QLatin1String("said")))
                QVERIFY2(f.dialogs.log.join('\n').contains(arg), qPrintable(f.dialogs.log.join('\n')));
            else
                QCOMPARE(stored(f.doc().entryAt(check.startsWith('I'), check.mid(1).section(' ', 0, 0).toInt())), arg);
        }
    }

    // A detail line recorded unchanged records nothing; what is done to one
    // line until it is left is one named step.
    void oneDetailLineOneStep()
    {
        WindowFixture f;
        const EntryPtr e = f.add(expense(d(2026, 6, 1), "遠足", 900));
        QUndoStack &undo = f.w->undoStack();
        for (const char *article : {"バス代", "入場料"}) {
            const auto &lines = f.doc().entry(e->key)->details;
            const int at = lines ? int(lines->size()) : 0;
            f.doc().recordDetailLine(e->key, at, DetailLine{}, false); // 行の追加
            for (const qint32 amount : {0, 450, 450})
                f.doc().recordDetailLine(e->key, at, DetailLine{QString::fromUtf8(article), amount}, true);
            f.w->finishUndoStep();
        }
        QCOMPARE(undo.count(), 2);
        QCOMPARE(undo.text(1), QStringLiteral("明細の登録 (入場料)"));
        undo.undo();
        undo.undo();
        QVERIFY(!f.doc().entry(e->key)->hasDetailLines());
        undo.redo();
        const DetailLines &lines = *f.doc().entry(e->key)->details;
        QVERIFY(lines.size() == 1 && lines.first() == (DetailLine{QStringLiteral("バス代"), 450}));
    }

    // Seeded random walks over both sheets, checked after every step. One
    // seed, longer: HARUMOKA_FUZZ_SEED and HARUMOKA_FUZZ_STEPS.
    void randomWalk()
    {
        const bool one = qEnvironmentVariableIsSet("HARUMOKA_FUZZ_SEED");
        const quint32 first = one ? quint32(qEnvironmentVariableIntValue("HARUMOKA_FUZZ_SEED")) : 1;
        const int length = qEnvironmentVariableIsSet("HARUMOKA_FUZZ_STEPS") ? qEnvironmentVariableIntValue("HARUMOKA_FUZZ_STEPS") : 200;
        const QStringList typing = {"type 0", "type 7", "ime ２", "type a", "ime あ", "paste １２００", "paste 12a", "type 4/1"};
        const QStringList others = {"key Tab", "key Shift+Tab", "key Enter", "key Escape", "wheel 8", "wheel -8",
                                    "Ctrl+Z", "Ctrl+Y", "行の追加", "ｷｬﾝｾﾙ", "tab", "明細書"};
        for (quint32 seed = first; seed < first + (one ? 1 : 20); ++seed) {
            WindowFixture f;
            fillYear(f);
            QRandomGenerator rng(seed);
            QStringList done;
            // An entry's amount changes only by a record after a number was typed.
            QHash<qint32, qint32> amounts;
            for (const EntryPtr &e : f.doc().entries().entries())
                amounts[e->key] = e->amount;
            bool typedNumber[2] = {false, false}; // per sheet: expense, income
            QString broken;
            qint32 added = -1;
            connect(&f.doc(), &Document::editDone, &f.doc(), [&](const Document::Edit &e) {
                const EntryPtr now = f.doc().entry(e.resultKey);
                if (e.kind == Document::Edit::AddIncome || e.kind == Document::Edit::AddSupply)
                    added = e.resultKey;
                else if (now && !typedNumber[now->income] && amounts.contains(e.sourceKey) && now->amount != amounts[e.sourceKey])
                    broken = QStringLiteral("%1 became %2 with no number typed").arg(now->article).arg(now->amount);
                if (now) {
                    amounts[e.resultKey] = now->amount;
                    typedNumber[now->income] = false;
                }
            });
            for (int i = 0; i < length; ++i) {
                EntryPanel *p = active(f);
                auto *s = qobject_cast<EntrySheet *>(p); // null in the detail window
                const bool income = p == part<IncomeSheet>(*f.w, "incomeSheet");
                QString step;
                if (const int k = int(rng.bounded(20)); k < 5) {
                    QList<int> inView; // a cell a mouse reaches; scrolling is a step of its own
                    for (int r = 1; r <= (s ? f.doc().count(income) + 1 : 4); ++r)
                        if (p->grid()->rowInView(r))
                            inView << r;
                    step = QStringLiteral("click %1,%2").arg(inView.value(int(rng.bounded(qMax(1, int(inView.size())))), 1)).arg(1 + rng.bounded(s ? 6 : 2));
                } else {
                    step = k < 12 ? typing.at(int(rng.bounded(typing.size()))) : others.at(int(rng.bounded(others.size())));
                }
                auto *box = qobject_cast<NumberBox *>(QApplication::focusWidget());
                const QString before = box ? box->text() : QString();
                const bool isTyping = !step.startsWith(QLatin1String("click")) && !step.startsWith(QLatin1String("key"));
                typedNumber[income] = typedNumber[income] || (isTyping && box);
                const bool fresh = s && s->editorCol() != 0 && s->source() && s->source()->key == added && s->source()->isBlank();
                const qint32 freshKey = fresh ? added : -1;
                perform(f, step);
                done << step;
                const auto fail = [&](const QString &why) {
                    return QStringLiteral("seed %1, step %2: %3\nreplay: %4").arg(seed).arg(i + 1).arg(why, done.join("; "));
                };
                const bool refused = QStringList{"type a", "ime あ", "paste 12a"}.contains(step);
                if (box && refused && box->text() != before)
                    QFAIL(qPrintable(fail(box->objectName() + " lost " + before)));
                for (NumberBox *b : f.w->findChildren<NumberBox *>())
                    if (!passesAmountRule(b->text()))
                        QFAIL(qPrintable(fail(b->objectName() + " holds " + b->text())));
                if (!broken.isEmpty())
                    QFAIL(qPrintable(fail(broken)));
                if ((step.endsWith(QLatin1String("Escape")) || step == QStringLiteral("ｷｬﾝｾﾙ")) && freshKey >= 0 && f.doc().entry(freshKey))
                    QFAIL(qPrintable(fail("a new row cancelled untyped stayed")));
                for (int n = 0; n < f.w->undoStack().count(); ++n)
                    if (f.w->undoStack().text(n).isEmpty())
                        QFAIL(qPrintable(fail("an unnamed undo step")));
                if (s && !s->current())
                    typedNumber[income] = false; // what was typed went with the edit
                // A new row stops being new once the user types, records or leaves it.
                if (!s || isTyping || step == QLatin1String("key Enter") || s->editorCol() == 0 || !s->source() || s->source()->key != added)
                    added = -1;
            }
        }
    }
};

QTEST_MAIN(TestTypingRoads)
#include "tst_typing_roads.moc"
