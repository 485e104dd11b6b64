// The open account: its title, its entries (income and expense mixed in one
// sentinel-headed list, each kind in date order) with their detail lines,
// the counters that go with them, and whether it has unsaved changes.
//
// Nothing else changes it. Every edit goes through one of the methods below,
// which marks the document modified and emits changed() once, naming what
// it touched; the windows listen to that signal to refill what shows it
// (grids, remainder, free receipt numbers, summaries). Loading a file or
// closing the document is not an edit: it replaces everything and emits
// changed() without marking the document modified.
//
// One edit, from a key press to the file: the user types 1500 into the
// per-pupil box of a new income row and presses Enter. The income sheet
// reads its boxes into a working copy of the entry and calls recordEntry(),
// which links the copy into the list in place of the entry it was loaded
// from, gives it a new key, marks the document modified and emits
// changed(IncomeEntries). The main window answers by refilling the income
// grid and the remainder and marking the summaries stale. Save then writes
// articleList() and title() through the account file writer and calls
// markSaved().
#pragma once

#include "model/account_title.h"
#include "model/article.h"

#include <QObject>
#include <QString>
#include <vector>

// Everything an undo step needs to put the entry list back exactly: the
// entries in list order, each one's detail head and the lines after it.
struct DocumentState {
    std::vector<ArticlePtr> entries;
    std::vector<DetailPtr> detailHeads;
    std::vector<std::vector<DetailPtr>> detailLines;
    AccountTitle title;
};

class Document : public QObject {
    Q_OBJECT
public:
    // One edit as it happened, for undo: what it was, what it was about, and
    // the entry list and title before and after it. Consecutive edits share
    // the state between them.
    struct Edit {
        enum Kind {
            AddIncome, RecordIncome, RemoveIncome,   // an income row added (blank), recorded, deleted
            AddSupply, RecordSupply, RemoveSupply,   // the same for expenses
            RecordDetail, RemoveDetail, DropBlankDetails,
            Title,
        };
        Kind kind;
        QString subject;       // the entry's or line's article; for Title the field (TitleField)
        int titleField = -1;   // for Title: which field changed (TitleField), -1 several
        std::shared_ptr<const DocumentState> before;
        std::shared_ptr<const DocumentState> after;
    };
    enum TitleField { ModeField, SchoolField, YearField, GradeField, RoomField, ChargeField, TitleTextField,
                      ReporterField, CarryOverNameField };

    enum Change {
        IncomeEntries = 0x01, // income entries added, replaced or removed
        SupplyEntries = 0x02, // the same for expenses
        DetailLines = 0x04,   // an expense's detail lines
        TitleFields = 0x08,   // the title
        EntryRemoved = 0x10,  // an entry left the list
        EntriesReplaced = 0x20, // every entry object is new: forget references to old ones
        Everything = 0x3f,
    };
    Q_DECLARE_FLAGS(Changes, Change)

    explicit Document(QObject *parent = nullptr);
    ~Document() override;

    // ---- reading ------------------------------------------------------------
    // The list head; read only: change the list through the methods below.
    const ArticlePtr &articleList() const { return m_list; }
    qint16 incomeCount() const { return m_incomeCount; }
    qint16 supplyCount() const { return m_supplyCount; }
    qint16 count(bool income) const { return income ? m_incomeCount : m_supplyCount; }
    // The n-th entry (1-based) of one kind in list order, or none.
    ArticlePtr entryAt(bool income, int n) const;
    // Whether `entry` is in the list (by identity).
    bool contains(const MekaluArticle *entry) const;
    const AccountTitle &title() const { return m_title; }
    qint32 nextArticleKey() const { return m_nextKey; }
    // Income minus expenses of every entry, in 64 bits so that any list has one.
    qint64 remainder() const;

    bool isModified() const { return m_modified; }
    // Read in part only: Save must not overwrite the damaged original.
    bool isDamaged() const { return m_damaged; }
    QString fileName() const { return m_fileName; }

    // ---- edits ----------------------------------------------------------------
    // Records `entry` (a working copy, not in the list) in place of `source`
    // (the list entry it was loaded from, or none) under a new key: by date
    // (addArticle) when `byDate`, else back at row `row` of its kind
    // (insertNumberedArticle). Returns the row addArticle gave, else 0.
    // Throws OverflowError before anything changes when a counter would overflow.
    qint32 recordEntry(const ArticlePtr &entry, const MekaluArticle *source, bool byDate, qint16 row);
    // Adds an entry by date under a new key (addArticle); returns its row.
    qint32 insertEntry(const ArticlePtr &entry);
    // Takes an entry out of the list; nothing when it is not there.
    void removeEntry(const MekaluArticle *entry);

    // The detail lines of an expense in the list. Recording puts `line` (a
    // working copy) in place of `source` at row `row` of the chain.
    void recordDetailLine(MekaluArticle &entry, const DetailPtr &line, const MekaluDetail *source,
                          qint16 row);
    void removeDetailLine(MekaluArticle &entry, const MekaluDetail *line);
    // Takes out every blank line (no article, amount 0).
    void dropBlankDetailLines(MekaluArticle &entry);
    // Gives an expense an empty detail head when it has none (not an edit:
    // the file and the grids show no difference).
    void ensureDetailList(MekaluArticle &entry);

    // Replaces the title; nothing happens when it is equal.
    void setTitle(const AccountTitle &title);

    // Puts the entries in print order (by date, income before expense on a
    // day) as the ledger prints them; the list holds new entry objects
    // afterwards. Views refresh, but the document is not marked modified:
    // no entry changed.
    void sortByDate();

    // Puts back a captured state (undo and redo): the same entry objects in
    // the same order with the same detail lines, and the title. Marks the
    // document modified; an undo stack decides when it is clean again.
    DocumentState capture() const;
    void restore(const DocumentState &state);

    // ---- lifecycle --------------------------------------------------------------
    // The empty document (Close): no entries, counters 0, the title empty but
    // for the carry-over name, which outlives Close.
    void reset();
    // A document read from a file: the list (each kind in date order), the
    // title, the next key; damaged when only part of the file could be read.
    void load(const ArticlePtr &list, const AccountTitle &title, qint32 nextKey, bool damaged,
              const QString &fileName);
    void setFileName(const QString &fileName) { m_fileName = fileName; }
    void setDamaged(bool damaged) { m_damaged = damaged; }
    void setModified(bool modified);
    void markSaved() { setModified(false); }

signals:
    void changed(Document::Changes what);
    void modifiedChanged(bool modified);
    // After every edit (not after load, reset, sortByDate or restore).
    void editDone(const Document::Edit &edit);

private:
    void edited(Changes what);
    void edited(Changes what, Edit::Kind kind, const QString &subject, int titleField = -1);
    // The state after the last change of any kind: the "before" of the next edit.
    void remember();
    void recount();
    static Changes kindChange(bool income) { return income ? IncomeEntries : SupplyEntries; }

    ArticlePtr m_list;
    AccountTitle m_title;
    qint16 m_incomeCount = 0;
    qint16 m_supplyCount = 0;
    qint32 m_nextKey = 0;
    bool m_modified = false;
    bool m_damaged = false;
    QString m_fileName;
    std::shared_ptr<const DocumentState> m_state;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(Document::Changes)
