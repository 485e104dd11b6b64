// Who has paid, as a table over the document: one row per pupil of the
// roster, the 出席番号 and the name first, then one column per collection of
// the year (every income with a per-pupil amount, in date order), then each
// household's outstanding total. A column's header carries the collection's
// 済 count, what was collected and what is outstanding. The marks are the
// entries' own, so a mark is an edit of the document (and an undo step).
#pragma once

#include "model/document.h"

#include <QAbstractTableModel>
#include <QDate>
#include <QHash>
#include <vector>

class CollectionTableModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int kNumberColumn = 0;
    static constexpr int kNameColumn = 1;
    static constexpr int kFirstCollection = 2;

    explicit CollectionTableModel(Document &doc, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    // The number and the name are edited in place (the roster changes).
    bool setData(const QModelIndex &index, const QVariant &value, int role) override;

    // The collection of a column, the pupil of a row (none outside them).
    EntryPtr collectionAt(int column) const;
    const Pupil *pupilAt(int row) const;
    bool isCollectionColumn(int column) const;
    int outstandingColumn() const { return kFirstCollection + int(m_collections.size()); }

    // Space: 済 (paid on `paidOn`) and back to 未; a 免除 becomes 済.
    void togglePaid(const QModelIndex &index, const QDate &paidOn);
    // The 免除 key: 免除 and back to 未.
    void toggleExempt(const QModelIndex &index);
    void setUnpaid(const QModelIndex &index);

    // What a household owes: per pupil on every collection it has not paid
    // and is not excused from (an unconfirmed collection counts for nobody).
    qint64 outstanding(int row) const { return row >= 0 && row < int(m_owed.size()) ? m_owed[size_t(row)] : 0; }
    qint64 totalOutstanding() const;
    // A collection's pupils differ from its 済 marks (typed by hand): the
    // difference is shown, never mended silently.
    static bool pupilsDiffer(const Entry &collection);

private:
    void documentChanged(const Document::Update &update);
    std::vector<EntryPtr> currentCollections() const;
    void setMark(const QModelIndex &index, const Mark &mark);
    // What a collection adds to each row's outstanding total, times `sign`:
    // per pupil for every pupil still in the class it has no mark for.
    // Kept per row, so that one mark costs one column, not the whole table.
    // Returns how many pupils owe on it.
    int addOwed(const Entry &collection, int sign);
    void recountOwed();

    Document &m_doc;
    std::vector<EntryPtr> m_collections;
    Roster m_roster; // the rows shown
    QHash<qint32, int> m_rowOfPupil;
    std::vector<qint64> m_owed; // by row
    std::vector<int> m_unpaid;  // by collection: the pupils who owe
};
