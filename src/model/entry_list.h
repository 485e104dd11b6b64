// The account's entries, in one container with one ordering rule.
//
// The list order is the file's order: income and expense entries mixed,
// and the entries of each kind in date order. An entry of a kind stands
// after every entry of its kind dated earlier or on the same day, and just
// before the next one of its kind in the mixed list (at the very end when
// it is the last of its kind). An entry recorded again with its date
// unchanged keeps its place. So reading a file, recording, deleting, undo
// and redo all keep each kind in date order, and row n of a kind's grid is
// always entry No. n of that kind.
//
// Lookups by key and by row do not walk the list; the money left and the
// receipt numbers in use are kept up to date with every change.
#pragma once

#include "model/article.h"

#include <QHash>
#include <QStringList>
#include <array>
#include <vector>

class EntryList {
public:
    // Where an entry stands: its index in list order, and its row among
    // the entries of its kind (both 0-based).
    struct Place {
        int index = -1;
        int row = -1;
        bool valid() const { return index >= 0; }
    };

    EntryList() = default;
    // Entries in the order a file holds them: each goes where the ordering
    // rule puts it after those before it (a file in date order stays as it is).
    explicit EntryList(const std::vector<EntryPtr> &fileOrder);

    // ---- reading ----------------------------------------------------------
    const std::vector<EntryPtr> &entries() const { return m_all; } // list order
    const std::vector<EntryPtr> &ofKind(bool income) const { return m_kind[income ? 1 : 0]; }
    int size() const { return int(m_all.size()); }
    int count(bool income) const { return int(ofKind(income).size()); }
    // The entry at a 0-based row of its kind, or none.
    EntryPtr at(bool income, int row) const;
    // The entry with a key, or none.
    EntryPtr find(qint32 key) const { return m_byKey.value(key); }
    Place placeOf(qint32 key) const;
    // Income minus expenses of every entry.
    qint64 remainder() const { return m_remainder; }
    // The eleven lowest receipt numbers from 1 to 999 that no entry uses,
    // in spaced decimal (" 3"), ascending.
    QStringList freeReceiptNumbers() const;
    // The first entry (in list order) with a receipt number other than the
    // one with key `exceptKey`, or none.
    EntryPtr receiptOwner(qint16 receipt, qint32 exceptKey = -1) const;
    // Every entry by date, income before expense on the same day, each kind
    // in its own order among equal dates: how the ledger prints them.
    std::vector<EntryPtr> printOrder() const;

    // ---- changes (the document's) -------------------------------------------
    // Where the ordering rule puts a new entry.
    Place placeFor(const Entry &entry) const;
    void insertAt(Place place, const EntryPtr &entry);
    EntryPtr removeAt(Place place);
    // Puts `entry` where the one at `place` stood (same kind, same date).
    EntryPtr replaceAt(Place place, const EntryPtr &entry);

private:
    void counted(const Entry &e, int sign);
    int indexOf(const Entry *e) const;

    std::vector<EntryPtr> m_all;
    std::array<std::vector<EntryPtr>, 2> m_kind; // [0] expense, [1] income
    QHash<qint32, EntryPtr> m_byKey;
    qint64 m_remainder = 0;
    // How many entries use each receipt number (index 0 unused).
    std::array<quint32, 1000> m_receipts{};
};
