// The open account: its title, its entries (EntryList: income and expense
// mixed in file order, each kind in date order) with their detail lines, the
// next entry key, and whether it has unsaved changes.
//
// Nothing else changes it. The entries it hands out are read-only values;
// every edit goes through one of the methods below, which changes the
// entries, marks the document modified and emits changed() once, naming
// what it touched and which rows of which kind, so that the windows update
// just those rows (grids, remainder, free receipt numbers) and mark the
// summaries stale. An edit that would change nothing (an entry recorded as
// it was) changes nothing: no signal, no mark, no undo step. Loading a file
// or closing the document is no edit: it replaces everything and emits
// changed() without marking the document modified.
//
// One edit, from a key press to the file: the user types 1500 into the
// per-pupil box of income entry No. 3 and presses Enter. The income sheet
// copies its boxes into a working value of the entry and calls
// recordEntry(copy, source). The document gives the copy a new key, puts it
// where entry No. 3 stood (its date did not change), and emits changed()
// with IncomeEntries and "income row 3 updated"; the income grid rewrites
// that row, the remainder label takes remainder(). editDone() carries the
// step that undo reverses. Save then writes entries() and title() through
// the account file writer and calls markSaved().
#pragma once

#include "model/account_title.h"
#include "model/entry_list.h"

#include <QObject>
#include <QString>
#include <functional>
#include <optional>
#include <vector>

class Document : public QObject {
    Q_OBJECT
public:
    enum Change {
        IncomeEntries = 0x01, // income entries added, replaced or removed
        SupplyEntries = 0x02, // the same for expenses
        DetailLines = 0x04,   // an expense's detail lines
        TitleFields = 0x08,   // the title
        EntryRemoved = 0x10,  // an entry left the list
        EntriesReplaced = 0x20, // every entry is new (load, close): views start again
        RosterMarks = 0x40,   // the roster, or a collection's marks
        Everything = 0x7f,
    };
    Q_DECLARE_FLAGS(Changes, Change)

    // One row of a kind's grid that an edit touched, at the moment it was
    // touched (0-based row among the entries of that kind), with the entry
    // it then held (none when removed): one edit can touch a row more than
    // once. Applied in order, a view that showed the rows before the edit
    // shows them after.
    struct RowChange {
        enum Kind { Inserted, Removed, Updated };
        bool income;
        Kind kind;
        int row;
        EntryPtr entry;
    };
    struct Update {
        Changes what;
        std::vector<RowChange> rows; // empty with EntriesReplaced
    };

    // One change of the entry list, exactly reversible: an entry put in at
    // a place (before none), taken out (after none) or replaced in place.
    struct EntryOp {
        EntryList::Place place;
        EntryPtr before;
        EntryPtr after;
    };
    // One edit as it happened, for undo: what it was, what it was about,
    // and the changes that undo reverses.
    struct Edit {
        enum Kind {
            AddIncome, RecordIncome, RemoveIncome,   // an income row added (blank), recorded, deleted
            AddSupply, RecordSupply, RemoveSupply,   // the same for expenses
            RecordDetail, RemoveDetail, DropBlankDetails,
            Title,
            Marks, RosterChange, // a collection's marks (and its pupils); the roster
        };
        Edit(Kind k, const QString &about, int field = -1) : kind(k), subject(about), titleField(field) {}
        Kind kind;
        QString subject;       // the entry's or line's article; for Title the field (TitleField)
        int titleField = -1;   // for Title: which field changed (TitleField), -1 several
        std::vector<EntryOp> ops;
        std::optional<AccountTitle> titleBefore, titleAfter;
        std::optional<Roster> rosterBefore, rosterAfter;
        // The key of the entry the edit started from (-1: a new one), and
        // of the entry it leaves in its place (-1: none).
        qint32 sourceKey = -1;
        qint32 resultKey = -1;
    };
    enum TitleField { ModeField, SchoolField, YearField, GradeField, RoomField, ChargeField, TitleTextField,
                      ReporterField, CarryOverNameField };

    explicit Document(QObject *parent = nullptr);
    ~Document() override;

    // ---- reading ------------------------------------------------------------
    const EntryList &entries() const { return m_entries; }
    qint16 incomeCount() const { return qint16(m_entries.count(true)); }
    qint16 supplyCount() const { return qint16(m_entries.count(false)); }
    qint16 count(bool income) const { return qint16(m_entries.count(income)); }
    // Entry No. n (1-based) of a kind, or none.
    EntryPtr entryAt(bool income, int n) const { return m_entries.at(income, n - 1); }
    // The entry with a key, or none.
    EntryPtr entry(qint32 key) const { return m_entries.find(key); }
    // The No. (1-based row among its kind) of the entry with a key; 0 when
    // it is not in the document.
    int rowOf(qint32 key) const { return m_entries.placeOf(key).row + 1; }
    // Whether the document holds an entry with this one's key (the entry a
    // window loaded, perhaps with other detail lines by now).
    bool contains(const EntryPtr &entry) const { return entry && m_entries.find(entry->key); }
    const AccountTitle &title() const { return m_title; }
    const Roster &roster() const { return m_roster; }
    qint32 nextArticleKey() const { return m_nextKey; }
    // Income minus expenses of every entry, in 64 bits so that any list has one.
    qint64 remainder() const { return m_entries.remainder(); }

    bool isModified() const { return m_modified; }
    // Read in part only: Save must not overwrite the damaged original.
    bool isDamaged() const { return m_damaged; }
    QString fileName() const { return m_fileName; }

    // ---- edits ----------------------------------------------------------------
    // Records `entry` (a working value) in place of the document's entry
    // with the key of `source` (the entry it was loaded from), or as a new
    // entry when there is none.
    // It takes a new key and its place by the ordering rule; an expense
    // keeps the detail lines `source` has now (the panels do not edit them).
    // Returns the entry as recorded; when it equals `source` nothing changes
    // and `source` is returned. Throws OverflowError before anything changes
    // when a counter would overflow.
    EntryPtr recordEntry(const Entry &entry, const EntryPtr &source);
    // Takes the entry with this one's key out of the list; nothing when it is not there.
    void removeEntry(const EntryPtr &entry);

    // The detail lines of the expense with key `key` (0-based line index).
    // Recording puts `line` at `index`, in place of the line there when
    // `replacing`, else before it (at the end past the last line).
    void recordDetailLine(qint32 key, int index, const DetailLine &line, bool replacing);
    void removeDetailLine(qint32 key, int index);
    // Takes out every blank line (no article, amount 0).
    void dropBlankDetailLines(qint32 key);
    // Gives an expense an empty detail list when it has none (not an edit:
    // the file and the grids show no difference).
    void ensureDetailList(qint32 key);

    // Replaces the title; nothing happens when it is equal.
    void setTitle(const AccountTitle &title);

    // Replaces the roster. The first roster of an account that has
    // collections marks them in the same step: a collection whose pupils
    // are the roster's pupils is paid by everyone (on its date), any other
    // is unconfirmed.
    void setRoster(const Roster &roster);
    // Marks a pupil on a collection (Unpaid takes the mark away). While the
    // collection's pupils are its 済 marks, they follow the marks and the
    // amount follows them (per pupil × pupils); a number typed by hand that
    // differs is left as it is. Throws OverflowError before anything
    // changes when the amount would not fit.
    void setMark(qint32 entryKey, qint32 pupilId, const Mark &mark);
    // Whether any collection has a mark for the pupil.
    bool hasMarks(qint32 pupilId) const;
    // The collection's pupils become its 済 marks, and its amount follows.
    void matchPupilsToMarks(qint32 entryKey);

    // Undo and redo of an edit that happened on this document, in the order
    // of an undo stack. Both mark the document modified; the stack decides
    // when it is clean again.
    void undo(const Edit &edit);
    void redo(const Edit &edit);

    // ---- lifecycle --------------------------------------------------------------
    // The empty document (Close): no entries, the title empty but for the
    // carry-over name, which outlives Close.
    void reset();
    // A document read from a file: the entries, the title, the next key;
    // damaged when only part of the file could be read.
    void load(EntryList entries, const AccountTitle &title, qint32 nextKey, bool damaged,
              const QString &fileName, const Roster &roster = {});
    void setFileName(const QString &fileName) { m_fileName = fileName; }
    void setDamaged(bool damaged) { m_damaged = damaged; }
    void setModified(bool modified);
    void markSaved() { setModified(false); }

signals:
    void changed(const Document::Update &update);
    void modifiedChanged(bool modified);
    // After every edit (not after load, reset, undo or redo).
    void editDone(const Document::Edit &edit);

private:
    // Applies one change and notes the row it touched.
    void apply(const EntryOp &op, Update &update, bool reverse);
    void finish(Update &update);
    void edited(Edit &edit, Update &update);
    EntryPtr withDetails(qint32 key, const std::function<void(::DetailLines &)> &change) const;
    void replaceEntry(Edit::Kind kind, const QString &subject, const EntryPtr &old, const EntryPtr &entry);

    EntryList m_entries;
    AccountTitle m_title;
    Roster m_roster;
    qint32 m_nextKey = 0;
    bool m_modified = false;
    bool m_damaged = false;
    QString m_fileName;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Document::Changes)

// A new account for the next school year: the same title with the year
// advanced, and the year's remainder (every entry by its own amount) as
// its first income, "前年度からの繰越金" on 1 April; none when it is 0.
// Throws OverflowError when the remainder leaves 32 bits.
struct NewAccount {
    AccountTitle title;
    EntryList entries;
    qint32 nextKey = 1;
    // The roster, when the next year keeps it (no marks: none of its
    // collections exist yet).
    Roster roster;
};
NewAccount nextSchoolYear(const Document &doc);
