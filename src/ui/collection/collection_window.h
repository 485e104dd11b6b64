// The 集金 window: who has paid each collection of the year, marked by
// keyboard or mouse, and the roster behind it (read in from the teacher's
// class list, pupils added, renamed, renumbered, moved out). Every mark and
// every roster change is an edit of the document: saved with the account
// (in its companion file) and undone like any other edit.
#pragma once

#include "ui/models/collection_table_model.h"

#include "model/periods.h"

#include <QWidget>

class DatePicker;
class Dialogs;
class QLabel;
class QPushButton;
class QTableView;
class QUndoStack;

class CollectionWindow : public QWidget {
    Q_OBJECT
public:
    CollectionWindow(Document &doc, QUndoStack &undo, Dialogs &dialogs, QWidget *mainWindow);

    CollectionTableModel &table() { return m_table; }
    QTableView *view() const { return m_view; }

    // 名簿の読み込み: a class list (CSV) over the roster.
    void importRoster();
    void importRosterFile(const QString &path);
    // 生徒の追加: a pupil after the last, the name ready to type.
    void addPupil();
    // 名簿から外す: the current row's pupil leaves the roster, or stays as
    // 転出 when they have marks.
    void removePupil();
    // 生徒数を合わせる: the current column's collection takes its 済 marks as its pupils.
    void matchPupils();
    // A key in the table: Space, E and Delete mark the current cell.
    bool markKey(int key);

signals:
    // 印刷: the checklist or the reminders, printed (or previewed) as every printout is.
    void printRequested(const Printout &printout, bool preview);

private:
    bool guarded(const std::function<void()> &f);
    void showState();

    Document &m_doc;
    Dialogs &m_dialogs;
    CollectionTableModel m_table;
    QTableView *m_view = nullptr;
    DatePicker *m_paidOn = nullptr;
    QLabel *m_summary = nullptr;
    QPushButton *m_matchButton = nullptr;
    QPushButton *m_removeButton = nullptr;
};
