#include "model/selection.h"

#include <algorithm>

void SelectionList::addSelection(const RememberedName &record)
{
    if (record.name.isEmpty())
        return;
    const auto at = std::find_if(m_records.begin(), m_records.end(),
                                 [&](const RememberedName &s) { return record.count >= s.count; });
    m_records.insert(at, record);
}

void SelectionList::appendSelectionWithCount(RememberedName record)
{
    if (record.name.isEmpty())
        return;
    const QDate now = today();
    const auto found = std::find_if(m_records.begin(), m_records.end(),
                                    [&](const RememberedName &s) { return s.name == record.name; });
    if (found != m_records.end()) {
        // One use more than the name had: raising only the count passed in
        // left every name used twice or more at 2, so the most used names
        // never came first.
        record.count = add16(found->count, record.count);
        m_records.erase(found);
        addSelection(record);
        return;
    }
    m_records.append(record);
    // Forget at most one name not used for more than two calendar years.
    const auto aged = std::find_if(m_records.begin(), m_records.end(), [&](const RememberedName &s) {
        return s.lastUsed.date().year() + 2 < now.year();
    });
    if (aged != m_records.end())
        m_records.erase(aged);
}

QStringList SelectionList::articles() const
{
    QStringList names;
    names.reserve(m_records.size());
    for (const RememberedName &s : m_records)
        names << s.name;
    return names;
}
