// The remembered article names that feed the article drop-down lists: each
// with its use count and last use, most used first. Kept between runs in
// the settings file.
#pragma once

#include "model/values.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

struct RememberedName {
    QString name;
    qint16 count = 0;
    QDateTime lastUsed = zeroDate();
};

class SelectionList {
public:
    // Records one use of a name (a record with count 1 for a first use): a
    // name used before moves to the front of the names with its new count,
    // the record passed in taking the count 2 whatever the found record had;
    // a new name goes to the end, and then the first name not used for more
    // than two calendar years is forgotten. An empty name changes nothing.
    // Throws OverflowError when a count of 32,767 is raised.
    void appendSelectionWithCount(RememberedName record);
    // Inserts before the first record whose count is not greater than its
    // own; an empty name is not inserted.
    void addSelection(const RememberedName &record);

    const QList<RememberedName> &records() const { return m_records; }
    // The names in list order (what a drop-down list offers).
    QStringList articles() const;
    void clear() { m_records.clear(); }

private:
    QList<RememberedName> m_records;
};

// The income drop-down list's names, and the expense list's, which the
// detail window offers too.
struct SelectionLists {
    SelectionList income;
    SelectionList supply;
    void reset()
    {
        income.clear();
        supply.clear();
    }
};
