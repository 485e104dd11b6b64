#include "model/detail.h"

#include "model/values.h"

#include <algorithm>

qint32 sumDetail(const DetailLines &lines)
{
    qint32 total = 0;
    for (const DetailLine &d : lines)
        total = add32(total, d.amount);
    return total;
}

qint64 detailTotal(const DetailLines &lines)
{
    qint64 total = 0;
    for (const DetailLine &d : lines)
        total += d.amount;
    return total;
}

DetailLines::const_iterator firstNonBlankDetail(const DetailLines &lines)
{
    return std::find_if(lines.cbegin(), lines.cend(), [](const DetailLine &d) { return !d.isBlank(); });
}
