// Layout pieces shared by the ledger and the report: the row grid, text
// wrapping by printed width, money texts and the printable height.
#pragma once

#include "print/page_surface.h"
#include "print/print_settings.h"

#include <QString>
#include <QStringList>

namespace layout {

// The font every printout uses; the start-up maps it onto IPAMincho.
inline const QString kFontName = QStringLiteral("ＭＳ 明朝");

// Both printouts rule the page in rows 360 twips high starting at 1640;
// texts sit 60 twips below the top of their row.
constexpr double kTableTop = 1640;
constexpr double kRowHeight = 360;
constexpr double kTextOffset = 60;
inline double rowTop(qint64 r) { return kTableTop + kRowHeight * double(r); }
// The outer borders of their tables.
constexpr double kLeft = 1000;
constexpr double kRight = 10600;

// The lowest point a page may use: the bottom rule of the ledger's carry-out
// row under its totals (15360 + 25 + 360). Every layout fits above it on A4
// or letter paper; a row that would end below it goes to the next page.
constexpr double kPrintableBottom = 15745;

// Thick and thin rules, in printer line widths.
constexpr int kThick = 4;
constexpr int kThin = 1;

// Cuts `text` into lines no wider than `limit`: each line is the longest
// beginning of what is left that fits (at least one character, so a single
// very wide character cannot stall it); the last line holds the rest.
QStringList wrapText(PageSurface &s, const QString &text, double limit);

// "12,345円": the report's amounts.
QString yenText(qint64 amount);

// What the ledger's and the report's printers share: the surface, the
// settings, the row the next line goes to, and the rules across the table
// and down it.
class TablePrinter {
protected:
    TablePrinter(PageSurface &s, const PrintSettings &ps) : m_surface(s), m_settings(ps) {}
    void across(double y) { m_surface.drawLine(kLeft, y, kRight, y); }
    void vertical(double x, double top, double bottom) { m_surface.drawLine(x, top, x, bottom); }

    PageSurface &m_surface;
    const PrintSettings &m_settings;
    qint64 m_row = 0;
};

} // namespace layout
