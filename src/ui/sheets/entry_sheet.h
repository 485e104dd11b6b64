// What the income sheet and the expense sheet do alike: a grid that shows
// the document's entries of one kind in list order, a click that loads an
// entry into a working copy and lays the matching editor over the clicked
// cell, and the four commands (add row, record, delete row, cancel). The
// two sheets differ in their columns and in a few rules (the pupils and the
// per-pupil amount of an income, the receipt number and detail lines of an
// expense, when a record reopens the date editor); those are the virtual
// steps below, and the kind and columns are data.
//
// Editing works on a copy: `current()` is the working entry (never in the
// document), `source()` the entry it was loaded from. Recording hands both to
// Document::recordEntry, which puts the entry in date order; the document's
// changed signal then brings the grid's rows up to date and idles the panel.
// The sheet knows the selected row by its entry: when a record or an undo
// moves entries, the selection, the keyboard cursor and the next editor
// follow the entry the user chose, never a row number that now belongs to
// another entry.
#pragma once

#include "model/document.h"
#include "model/values.h"
#include "ui/models/entry_table_model.h"
#include "ui/widgets/entry_panel.h"

#include <optional>

class DatePicker;
class Dialogs;
class QFont;
class QComboBox;
class QLabel;
struct SelectionLists;

class EntrySheet : public EntryPanel {
    Q_OBJECT
public:
    EntrySheet(bool income, Document &doc, SelectionLists &names, Dialogs &dialogs,
               QWidget *parent);

    // ---- the shared steps, run by the sheets' named handlers ----------------
    // The grid shows the entries' model (its columns, header row and widths).
    void layoutGrid();
    EntryTableModel &table() { return m_table; }
    // After an edit of the document (the model has its rows already): the
    // panel rests, and a selected entry that left the list is no longer selected.
    void documentChanged(const Document::Update &update);
    // The panel back at rest: no working entry, the boxes as for a new one.
    void idlePanel();
    // A cell clicked: the entry opens in its editor (the blank row adds one).
    void gridClick();
    // The row-number box changed: that entry loads.
    void numberChanged();
    // 登録 or Enter; false when the entry was refused and its edit goes on.
    bool record();
    void addRow();        // 行の追加
    void deleteRow();     // 行の削除
    // ｷｬﾝｾﾙ, Escape: a row just added and not yet changed
    // goes with its undo step, so that a cancelled new row leaves nothing.
    void cancelByUser();
    // The edit dropped (also when the row-number box empties).
    void cancel();
    void fillArticleList();
    // Whether the open edit holds a change not yet recorded: something typed
    // into a box since it was filled, or a new row not yet changed.
    bool holdsUnrecordedChange() const;
    // Set by the window: drops the last undo step (the row just added),
    // undoing it, so that neither the row nor its step remains.
    void setDropAddedRow(std::function<void(qint32 key)> drop) { m_dropAddedRow = std::move(drop); }

    // Rows in use: the entries of the sheet's kind, and the row being added.
    qint16 rowsInUse() const;
    // Drops every reference into the entry list (its entries were replaced)
    // and the selection.
    void forgetEntries();
    // Back to the state of a new document: nothing selected, no editor open.
    void resetState();

    // Editing state: the working entry (none while the panel is idle), the
    // entry it was loaded from, the selected row (0: none) and the column
    // whose editor was opened last.
    const std::optional<Entry> &current() const { return m_current; }
    const EntryPtr &source() const { return m_source; }
    qint16 selectedRow() const { return qint16(m_table.selectedRow()); }
    qint16 editedCol() const { return m_editedCol; }

    // The help text at the top left, in the help's size.
    void showHelp(const QString &text);
    // The remaining money at the top right, red when negative.
    void showRemainder(const QString &text, bool negative);
    void setRemainderFont(const QFont &font);
    // The date the date editor shows (today's when the window loads).
    void setEditorDate(const QDate &date);

signals:
    // The user is done with an entry (recorded with Enter or the button,
    // left for another row, or deleted): its undo step is complete.
    void entryFinished();

protected:
    // The idle panel's boxes (after a refill).
    virtual void clearForIdle() = 0;
    // What Enter does in the editor of column c, for Tab: records (the date
    // editor by date); false when the record was refused.
    virtual bool commitEditor(int c);
    // Runs a commit while the user stays on the entry (Tab): its record
    // joins the undo step of the records before it.
    bool staysOnEntry(const std::function<bool()> &commit);
    int handledRow() const override { return selectedRow(); }
    int handledCol() const override { return m_editedCol; }
    // The date the date editor shows when it opens: the working entry's.
    QDate editorDate() const override;
    // Row (1-based, among the entries of the sheet's kind) of an entry; 0 when not listed.
    int rowOf(qint32 key) const;
    // Fills the boxes and the working entry from a list entry.
    virtual void loadEntry(const Entry &src, Entry &cur) = 0;
    // Converts the boxes before anything changes; throws HarumokaError and
    // reopens the box at fault.
    virtual void checkBoxes() = 0;
    // Reads the boxes into the working entry; false refuses the record.
    virtual bool readBoxes(Entry &cur) = 0;
    // Whether this record reopens the editor on the entry where the date
    // order put it (a date chosen or confirmed in the date editor).
    virtual bool recordsByDate() const = 0;
    // Add row: empties the boxes before the blank entry is recorded (its
    // row is written once the date order has placed it).
    virtual void prepareNewRow(int row) = 0;
    // Cancel: the boxes emptied.
    virtual void clearForCancel() = 0;
    // The selection moved to another row / the row was deleted.
    virtual void selectionMoved() {}
    virtual void rowDeleted() {}

    // What both sheets wire alike once their editors exist (`byColumn`: the
    // cell editors of columns 1 on): the grid, the buttons and the number
    // box; Enter, Escape and Tab in the editors; Delete and the context menu.
    void wireEditors(const QList<QWidget *> &byColumn);
    // A date chosen in the date editor's calendar, or Enter in it.
    virtual void dateChosen() = 0;
    // Reopens the editor of column `col` on the selected row (a value there
    // could not be recorded).
    void reopenEditor(int col);
    // Reads a box for recording: a value `read` refuses (HarumokaError)
    // opens column `col`'s editor again, to correct.
    template <class Read> auto readOrReopen(int col, Read read)
    {
        try {
            return read();
        } catch (const HarumokaError &) {
            reopenEditor(col);
            throw;
        }
    }
    // Typing the date editor refused opens it again, and says why.
    void checkDateTyping();
    // Enter in `w` records the entry, or adds a row when none is open.
    void enterRecords(QWidget *w, bool hideAfter);
    // Delete and the grid's context menu remove an entry (offerRowDeletion).
    void offerEntryDeletion();

    // The help and remaining-money labels; the sheets set their article boxes and date editor.
    QComboBox *articleCombo = nullptr;
    QComboBox *subArticleCombo = nullptr;
    QLabel *helpLabel = nullptr;
    QLabel *remainderLabel = nullptr;
    DatePicker *datePicker = nullptr;

    std::optional<Entry> m_current;
    EntryPtr m_source;
    qint16 m_editedCol = 0;

    Document &m_doc;
    SelectionLists &m_names;
    Dialogs &m_dialogs;
    const bool m_income;
    EntryTableModel m_table;
    // The row of an entry being added, before it is recorded; 0 otherwise.
    qint16 m_addingRow = 0;
    // The key of the entry recorded last.
    qint32 m_recordedKey = -1;

private:
    // The selection moves to a row's entry (0: none).
    void selectRow(int row) { m_table.selectRow(row); }
    // A record is under way: the entry it replaces leaves the list before
    // the selection moves to the recorded one.
    bool m_recording = false;
    // The key of the blank entry the last add row recorded, until the user
    // leaves it (-1: none).
    qint32 m_addedKey = -1;
    // The user is done with the entry (entryFinished).
    void finishEntry();
    // The edit is on that new row, not yet changed.
    bool onNewRow() const { return m_source && m_source->key == m_addedKey; }
    std::function<void(qint32)> m_dropAddedRow;
    // The record being made leaves the user on the entry (staysOnEntry).
    bool m_staying = false;
};
