#include "support/window_fixture.h"

#include "app/startup.h"

#include <QUndoStack>
#include "model/values.h"
#include "storage/codec.h"
#include "ui/main/flexgrid.h"
#include "ui/main/income_sheet.h"
#include "ui/main/supply_sheet.h"

#include <QApplication>
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
    QApplication::setActiveWindow(w.get());
}

WindowFixture::~WindowFixture()
{
    if (!dialogs.done())
        qWarning() << "unanswered scripted dialogs:" << dialogs.pending();
}

ArticlePtr WindowFixture::add(const ArticlePtr &e)
{
    const bool modified = doc().isModified();
    doc().insertEntry(e);
    // As if read from the file: nothing to undo, nothing unsaved.
    if (!modified)
        w->undoStack().clear();
    return e;
}

void WindowFixture::refill()
{
    w->incomeSheet->editFlexGridIncome();
    w->supplySheet->editFlexGridSupply();
    w->fillFreeReceiptNumbers();
    w->setRemainderLabels();
}

void commitText(QWidget *w, const QString &text)
{
    QWidget *target = w;
    if (auto *c = qobject_cast<QComboBox *>(w); c && c->lineEdit())
        target = c->lineEdit();
    QInputMethodEvent event;
    event.setCommitString(text);
    QApplication::sendEvent(target, &event);
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
