// Where the ink gathered for a page lies, by colour: lets the printer surface
// hold texts and lines back and draw them in fewer, larger groups, which is
// only the same picture when nothing of one colour overlaps another colour
// drawn in between (two inks of one colour cover the same pixels whichever
// comes first).
#pragma once

#include <QRectF>
#include <QtGlobal>
#include <array>
#include <vector>

class InkIndex {
public:
    // True when `r` comes near ink of another colour than `color`, or
    // cannot be placed (not finite).
    bool clashes(const QRectF &r, qint32 color) const;
    void add(const QRectF &r, qint32 color);
    void clear();

private:
    struct Box {
        double left, top, right, bottom;
        qint32 color;
    };
    // Horizontal bands of the page, so that a rectangle is checked against
    // those near it only; anything beyond the last band is kept in it.
    static constexpr double kBand = 480; // twips: a row or two
    static constexpr int kBands = 64;
    static int band(double y);
    std::array<std::vector<Box>, kBands> m_bands;
    int m_first = kBands; // bands in use: [m_first, m_last]
    int m_last = -1;
};
