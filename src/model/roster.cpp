#include "model/roster.h"

#include <algorithm>

int activePupils(const Roster &roster)
{
    return int(std::count_if(roster.cbegin(), roster.cend(), [](const Pupil &p) { return !p.movedOut; }));
}

qint32 nextPupilId(const Roster &roster)
{
    qint32 id = 0;
    for (const Pupil &p : roster)
        id = std::max(id, p.id);
    return id + 1;
}

Roster mergedRoster(const Roster &current, const Roster &listed, const std::function<bool(qint32)> &hasMarks)
{
    Roster merged;
    qint32 next = nextPupilId(current);
    for (Pupil p : listed) {
        const auto same = std::find_if(current.cbegin(), current.cend(),
                                       [&](const Pupil &c) { return c.number == p.number && !c.movedOut; });
        p.id = same != current.cend() ? same->id : next++;
        p.movedOut = false;
        merged.append(p);
    }
    for (Pupil c : current) {
        const bool listedAgain = std::any_of(merged.cbegin(), merged.cend(), [&](const Pupil &m) { return m.id == c.id; });
        if (!listedAgain && hasMarks(c.id)) {
            c.movedOut = true;
            merged.append(c);
        }
    }
    std::stable_sort(merged.begin(), merged.end(), [](const Pupil &a, const Pupil &b) { return a.number < b.number; });
    return merged;
}

int CollectionMarks::count(Mark::State state) const
{
    return int(std::count_if(byPupil.cbegin(), byPupil.cend(), [state](const Mark &m) { return m.state == state; }));
}
