#include "model/entry_list.h"

#include <algorithm>
#include <map>

namespace {

constexpr int kindIndex(bool income) { return income ? 1 : 0; }

// The first entry of a kind dated later than `date`: the ordering rule
// puts a new entry just before it.
std::vector<EntryPtr>::const_iterator firstLater(const std::vector<EntryPtr> &kind, const QDateTime &date)
{
    return std::upper_bound(kind.begin(), kind.end(), date,
                            [](const QDateTime &d, const EntryPtr &e) { return d < e->date; });
}

} // namespace

EntryList::EntryList(const std::vector<EntryPtr> &fileOrder)
{
    // The rule applied entry by entry, on a linked list of indices so that a
    // file out of date order does not move the whole list for every entry:
    // per kind, the first entry of every date (in the list built so far).
    const int n = int(fileOrder.size());
    std::vector<int> next(size_t(n) + 1, -1), prev(size_t(n) + 1, -1);
    const int head = n; // the sentinel
    int tail = head;
    std::array<std::map<QDateTime, int>, 2> firstOfDate;
    for (int i = 0; i < n; ++i) {
        const Entry &e = *fileOrder[size_t(i)];
        auto &dates = firstOfDate[size_t(kindIndex(e.income))];
        // A file in date order: every entry dated on or after the latest so
        // far goes to the end, found without a search.
        if (dates.empty() || !(e.date < dates.rbegin()->first)) {
            next[size_t(tail)] = i;
            prev[size_t(i)] = tail;
            tail = i;
            if (dates.empty() || dates.rbegin()->first < e.date)
                dates.emplace_hint(dates.end(), e.date, i);
            continue;
        }
        // Before the first entry of its kind dated later.
        const int before = dates.upper_bound(e.date)->second;
        const int p = prev[size_t(before)];
        next[size_t(p)] = i;
        prev[size_t(i)] = p;
        next[size_t(i)] = before;
        prev[size_t(before)] = i;
        dates.try_emplace(e.date, i);
    }
    m_all.reserve(size_t(n));
    for (int i = next[size_t(head)]; i >= 0; i = next[size_t(i)]) {
        const EntryPtr &e = fileOrder[size_t(i)];
        m_all.push_back(e);
        m_kind[size_t(kindIndex(e->income))].push_back(e);
        m_byKey.insert(e->key, e);
        counted(*e, 1);
    }
}

EntryPtr EntryList::at(bool income, int row) const
{
    const auto &kind = ofKind(income);
    return row >= 0 && row < int(kind.size()) ? kind[size_t(row)] : EntryPtr();
}

int EntryList::indexOf(const Entry *e) const
{
    const auto it = std::find_if(m_all.begin(), m_all.end(), [e](const EntryPtr &p) { return p.get() == e; });
    return it == m_all.end() ? -1 : int(it - m_all.begin());
}

EntryList::Place EntryList::placeOf(qint32 key) const
{
    const EntryPtr e = find(key);
    if (!e)
        return Place();
    const auto &kind = ofKind(e->income);
    auto it = std::lower_bound(kind.begin(), kind.end(), e->date,
                               [](const EntryPtr &a, const QDateTime &d) { return a->date < d; });
    while (it != kind.end() && *it != e)
        ++it;
    if (it == kind.end())
        return Place();
    return Place{indexOf(e.get()), int(it - kind.begin())};
}

EntryList::Place EntryList::placeFor(const Entry &entry) const
{
    const auto &kind = ofKind(entry.income);
    const auto later = firstLater(kind, entry.date);
    const int row = int(later - kind.begin());
    return Place{later == kind.end() ? size() : indexOf(later->get()), row};
}

void EntryList::insertAt(Place place, const EntryPtr &entry)
{
    m_all.insert(m_all.begin() + place.index, entry);
    auto &kind = m_kind[size_t(kindIndex(entry->income))];
    kind.insert(kind.begin() + place.row, entry);
    m_byKey.insert(entry->key, entry);
    counted(*entry, 1);
}

EntryPtr EntryList::removeAt(Place place)
{
    EntryPtr e = m_all[size_t(place.index)];
    m_all.erase(m_all.begin() + place.index);
    auto &kind = m_kind[size_t(kindIndex(e->income))];
    kind.erase(kind.begin() + place.row);
    m_byKey.remove(e->key);
    counted(*e, -1);
    return e;
}

EntryPtr EntryList::replaceAt(Place place, const EntryPtr &entry)
{
    EntryPtr old = m_all[size_t(place.index)];
    m_all[size_t(place.index)] = entry;
    m_kind[size_t(kindIndex(entry->income))][size_t(place.row)] = entry;
    m_byKey.remove(old->key);
    m_byKey.insert(entry->key, entry);
    counted(*old, -1);
    counted(*entry, 1);
    return old;
}

void EntryList::counted(const Entry &e, int sign)
{
    m_remainder += sign * e.signedAmount();
    if (e.receipt > 0 && e.receipt < qint16(m_receipts.size()))
        m_receipts[size_t(e.receipt)] += quint32(sign);
}

QStringList EntryList::freeReceiptNumbers() const
{
    QStringList out;
    for (int n = 1; n < int(m_receipts.size()) && out.size() < 11; ++n) {
        if (m_receipts[size_t(n)] == 0)
            out << Str(n);
    }
    return out;
}

EntryPtr EntryList::receiptOwner(qint16 receipt, qint32 exceptKey) const
{
    if (receipt > 0 && receipt < qint16(m_receipts.size()) && m_receipts[size_t(receipt)] == 0)
        return nullptr;
    for (const EntryPtr &e : m_all) {
        if (e->receipt == receipt && e->key != exceptKey)
            return e;
    }
    return nullptr;
}

std::vector<EntryPtr> EntryList::printOrder() const
{
    const auto &income = ofKind(true);
    const auto &expenses = ofKind(false);
    std::vector<EntryPtr> out;
    out.reserve(m_all.size());
    size_t i = 0, e = 0;
    while (i < income.size() || e < expenses.size()) {
        const bool takeIncome =
            e == expenses.size() || (i < income.size() && income[i]->date <= expenses[e]->date);
        out.push_back(takeIncome ? income[i++] : expenses[e++]);
    }
    return out;
}
