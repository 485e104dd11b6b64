// Who has paid: the class roster (one pupil per household) and, on every
// collection (an income with a per-pupil amount), each pupil's mark. The
// marks travel with the entry they belong to (Entry::marks), so an undo of
// the entry undoes its marks and a record of the entry keeps them; the
// roster is the document's, like its title. Neither is in the account file.
#pragma once

#include <QDate>
#include <QList>
#include <QMap>
#include <QString>
#include <functional>

struct Pupil {
    // Never reused within an account: the marks name a pupil by it, so that
    // renumbering or renaming keeps them.
    qint32 id = 0;
    qint16 number = 0; // 出席番号
    QString name;      // the household is named after the pupil
    // 転出: left the class; kept with the marks they have.
    bool movedOut = false;
    bool operator==(const Pupil &) const = default;
};

// In 出席番号 order, as the window shows it.
using Roster = QList<Pupil>;

// Pupils still in the class.
int activePupils(const Roster &roster);
// The next free pupil id.
qint32 nextPupilId(const Roster &roster);
// A class list read in again over the roster: a pupil whose 出席番号 is
// there already keeps their id, and so their marks, under the list's name;
// a new number is a new pupil; one the list no longer has is kept as 転出
// when `hasMarks` says so, else left out. In 出席番号 order.
Roster mergedRoster(const Roster &current, const Roster &listed, const std::function<bool(qint32 id)> &hasMarks);

struct Mark {
    enum State { Unpaid, Paid, Exempt };
    State state = Unpaid;
    QDate paidOn; // the day a 済 was paid
    bool operator==(const Mark &) const = default;
};

// The marks of one collection. A pupil without a mark is 未.
struct CollectionMarks {
    // Made when the roster was first made for a collection whose 生徒数 did
    // not match it: nobody knows yet who paid. Any mark confirms it.
    bool unconfirmed = false;
    QMap<qint32, Mark> byPupil;

    Mark mark(qint32 pupil) const { return byPupil.value(pupil); }
    // Marked 済 or 免除 (a 未 is no mark, so counts 0).
    int count(Mark::State state) const;
    bool operator==(const CollectionMarks &) const = default;
};
