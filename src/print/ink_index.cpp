#include "print/ink_index.h"

#include <algorithm>
#include <cmath>

namespace {
// Room around ink for the pixels that anti-aliasing shades beside it: a
// point, more than a pixel at any resolution a page is looked at with.
constexpr double kMargin = 20;
} // namespace

int InkIndex::band(double y)
{
    return int(std::clamp(std::floor(y / kBand), 0.0, double(kBands - 1)));
}

bool InkIndex::clashes(const QRectF &r, qint32 color) const
{
    if (!std::isfinite(r.left()) || !std::isfinite(r.top()) || !std::isfinite(r.right())
        || !std::isfinite(r.bottom()))
        return true;
    const double left = r.left() - kMargin, right = r.right() + kMargin;
    const double top = r.top() - kMargin, bottom = r.bottom() + kMargin;
    const int last = std::min(band(bottom), m_last);
    for (int b = std::max(band(top), m_first); b <= last; ++b) {
        for (const Box &box : m_bands[b]) {
            if (box.color != color && box.left < right && left < box.right && box.top < bottom && top < box.bottom)
                return true;
        }
    }
    return false;
}

void InkIndex::add(const QRectF &r, qint32 color)
{
    const Box box{r.left(), r.top(), r.right(), r.bottom(), color};
    const int first = band(box.top), last = band(box.bottom);
    for (int b = first; b <= last; ++b)
        m_bands[b].push_back(box);
    m_first = std::min(m_first, first);
    m_last = std::max(m_last, last);
}

void InkIndex::clear()
{
    for (int b = m_first; b <= m_last; ++b)
        m_bands[b].clear();
    m_first = kBands;
    m_last = -1;
}
