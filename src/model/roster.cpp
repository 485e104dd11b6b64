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

int CollectionMarks::count(Mark::State state) const
{
    return int(std::count_if(byPupil.cbegin(), byPupil.cend(), [state](const Mark &m) { return m.state == state; }));
}
