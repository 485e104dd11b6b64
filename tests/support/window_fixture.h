#pragma once

#include "model/document.h"
#include "support/scripted_dialogs.h"
#include "support/test_util.h"
#include "ui/window/main_window.h"

#include <QTemporaryDir>
#include <memory>

class FlexGrid;
class IncomeSheet;
class ExpenseSheet;
class QWidget;

// Scripted dialogs and a real main window (with its document), with the
// settings file in a private folder.
struct WindowFixture {
    WindowFixture();
    ~WindowFixture();

    QTemporaryDir dir;
    ScriptedDialogs dialogs;
    std::unique_ptr<MainWindow> w;

    Document &doc() { return w->document(); }
    QString path(const QString &name) const { return dir.filePath(name); }
    // Adds an entry by date under a new key, as if it had been read from a
    // file: the unsaved mark stays as it was.
    EntryPtr add(const ArticlePtr &e);
    // Gives a stored expense these detail lines, the same way; returns it as stored now.
    EntryPtr setDetails(const EntryPtr &e, const QList<QPair<QString, qint32>> &lines);
    // Brings the free receipt numbers and the remaining money up to the document.
    void refill();
    // Brings the income or expense sheet to the front, as its tab does.
    IncomeSheet *showIncome();
    ExpenseSheet *showSupply();
};

// Keys as a keyboard sends them: to the widget that holds the focus
// (QApplication::focusWidget()), never to an inner child the test picks.
void pressKey(Qt::Key key, Qt::KeyboardModifiers modifiers = Qt::NoModifier);
void typeKeys(const QString &ascii);
// Text as an input method commits it (Japanese): to the focus widget.
void commitText(const QString &text);
// Gives `w` the focus (as a click into it does), then commits text to the
// focus widget.
void commitText(QWidget *w, const QString &text);
// Real mouse click on a cell of a grid (the header row is row 0).
void mouseClickCell(FlexGrid *grid, int row, int col);
// Writes a file in code page 932 with CR LF line ends.
void writeCp932(const QString &path, const QStringList &lines);
QStringList gridRow(FlexGrid *g, int row, int cols);
