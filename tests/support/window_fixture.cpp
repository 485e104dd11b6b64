#include "support/window_fixture.h"

#include "app/startup.h"

#include <QUndoStack>
#include "model/values.h"
#include "storage/codec.h"
#include "ui/widgets/flexgrid.h"
#include "ui/sheets/income_sheet.h"
#include "ui/sheets/expense_sheet.h"
#include "support/parts.h"

#include <QApplication>
#include <QTabWidget>
#include <QComboBox>
#include <QFile>
#include <QHeaderView>
#include <QInputMethodEvent>
#include <QLineEdit>
#include <QtTest>

WindowFixture::WindowFixture()
{
    setTodayForTesting(QDate(2026, 12, 7));
    w = Main(dialogs, dir.filePath(QStringLiteral("Mekalu.ini")));
    // Keys reach the focus widget of the active window only.
    QApplication::setActiveWindow(w.get());
    if (!QTest::qWaitForWindowActive(w.get()))
        qWarning("the main window did not become active");
}

WindowFixture::~WindowFixture()
{
    if (!dialogs.done())
        qWarning() << "unanswered scripted dialogs:" << dialogs.pending();
}

EntryPtr WindowFixture::add(const ArticlePtr &e)
{
    const bool modified = doc().isModified();
    const EntryPtr recorded = doc().recordEntry(*e, nullptr);
    // As if read from the file: nothing to undo, nothing unsaved.
    if (!modified)
        w->undoStack().clear();
    return recorded;
}

EntryPtr WindowFixture::setDetails(const EntryPtr &e, const QList<QPair<QString, qint32>> &lines)
{
    const bool modified = doc().isModified();
    doc().ensureDetailList(e->key);
    for (int i = 0; i < lines.size(); ++i)
        doc().recordDetailLine(e->key, i, DetailLine{lines[i].first, lines[i].second}, false);
    if (!modified)
        w->undoStack().clear();
    return doc().entry(e->key);
}

void WindowFixture::refill()
{
    part<ExpenseSheet>(*w, "expenseSheet")->fillReceiptList();
    w->setRemainderLabels();
}

IncomeSheet *WindowFixture::showIncome()
{
    part<QTabWidget>(*w, "SSTabSheets")->setCurrentIndex(1);
    return part<IncomeSheet>(*w, "incomeSheet");
}

ExpenseSheet *WindowFixture::showSupply()
{
    part<QTabWidget>(*w, "SSTabSheets")->setCurrentIndex(2);
    return part<ExpenseSheet>(*w, "expenseSheet");
}

static QWidget *focused()
{
    QWidget *w = QApplication::focusWidget();
    if (!w)
        qWarning("no widget has the keyboard focus");
    return w;
}

void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers)
{
    if (QWidget *w = focused())
        QTest::keyClick(w, key, modifiers);
}

void typeKeys(const QString &ascii)
{
    // One key at a time: a key may move the focus (the digit rules do).
    for (QChar c : ascii) {
        if (QWidget *w = focused())
            QTest::keyClick(w, c.toLatin1());
    }
}

void commitText(const QString &text)
{
    // An input method sends its text to the focus object; a drop-down hands
    // it on to its line edit itself.
    QWidget *w = focused();
    if (!w)
        return;
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(w, &event);
}

void commitText(QWidget *w, const QString &text)
{
    w->setFocus(Qt::MouseFocusReason);
    commitText(text);
}

void mouseClickCell(FlexGrid *grid, int row, int col)
{
    grid->setRow(row);
    grid->setCol(col);
    // The cell's position inside the grid, in pixels.
    const double tpp = 1440.0 / grid->logicalDpiX();
    const QPoint inGrid(int((grid->CellLeft() + 30) / tpp), int((grid->CellTop() + 30) / tpp));
    QWidget *target = grid->childAt(inGrid);
    if (!target)
        target = grid;
    QTest::mouseClick(target, Qt::LeftButton, Qt::NoModifier, target->mapFrom(grid, inGrid));
}

void writeCp932(const QString &path, const QStringList &lines)
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        qFatal("cannot write %s", qPrintable(path));
    for (const QString &l : lines)
        f.write(encodeCp932(l) + "\r\n");
}

QStringList gridRow(FlexGrid *g, int row, int cols)
{
    QStringList out;
    for (int c = 0; c < cols; ++c)
        out << g->TextMatrix(row, c);
    return out;
}
