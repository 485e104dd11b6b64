// One income or expense booking (an entry) as a value, and the money rules
// that belong to an entry. The Document holds its entries as shared,
// read-only values (EntryPtr): nothing outside the document can change one.
// To edit an entry, a window copies it into a working value, changes the
// copy and hands it back to the document, which puts it in place of the old.
#pragma once

#include "model/detail.h"
#include "model/roster.h"
#include "model/values.h"

#include <QDateTime>
#include <QString>
#include <memory>
#include <optional>

class Entry {
public:
    QDateTime date = zeroDate();
    qint16 receipt = 0;
    QString article;
    QString breakdown;
    qint32 perPupil = 0;
    qint16 pupils = 0;
    qint32 amount = 0;
    bool income = false;
    qint32 key = 0;
    // An expense's itemised lines. An expense has none until its detail
    // window first opens; an empty list then still differs from none (the
    // print check compares the amount with an empty list's total, 0).
    std::optional<DetailLines> details;
    // A collection's paid marks, once the account has a roster.
    std::optional<CollectionMarks> marks;

    // Collected per pupil: an income with a per-pupil amount.
    bool isCollection() const { return income && perPupil != 0; }
    bool isBlank() const { return article.isEmpty() && amount == 0; }
    // At least one detail line (the grid's "○").
    bool hasDetailLines() const { return details && !details->isEmpty(); }
    // What the entry adds to the money left: income plus, expense minus.
    qint64 signedAmount() const { return income ? qint64(amount) : -qint64(amount); }
    // The same booking: every field but the key.
    bool sameBooking(const Entry &o) const;
};

using EntryPtr = std::shared_ptr<const Entry>;

// Pupils of a new income entry and of the carry-over entries until the
// user types another number.
constexpr qint16 kDefaultStudents = 30;

// An income collected per pupil: the amount per pupil times the pupils.
// Throws OverflowError (naming the amount) when it leaves 32 bits.
qint32 collectionAmount(qint32 perPupil, qint16 pupils);
