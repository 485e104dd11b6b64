#include "model/selection.h"

#include <algorithm>

void SelectionList::addSelection(const MekaluSelection &record)
{
    if (record.tsArticle.isEmpty())
        return;
    const auto at = std::find_if(m_records.begin(), m_records.end(),
                                 [&](const MekaluSelection &s) { return record.tsCount >= s.tsCount; });
    m_records.insert(at, record);
}

void SelectionList::appendSelectionWithCount(MekaluSelection record)
{
    if (record.tsArticle.isEmpty())
        return;
    const QDate now = today();
    const auto found = std::find_if(m_records.begin(), m_records.end(),
                                    [&](const MekaluSelection &s) { return s.tsArticle == record.tsArticle; });
    if (found != m_records.end()) {
        // One use more than the name had: raising only the count passed in
        // left every name used twice or more at 2, so the most used names
        // never came first.
        record.tsCount = add16(found->tsCount, record.tsCount);
        m_records.erase(found);
        addSelection(record);
        return;
    }
    m_records.append(record);
    // Forget at most one name not used for more than two calendar years.
    const auto aged = std::find_if(m_records.begin(), m_records.end(), [&](const MekaluSelection &s) {
        return s.tsDate.date().year() + 2 < now.year();
    });
    if (aged != m_records.end())
        m_records.erase(aged);
}

QStringList SelectionList::articles() const
{
    QStringList names;
    names.reserve(m_records.size());
    for (const MekaluSelection &s : m_records)
        names << s.tsArticle;
    return names;
}
