// One font on one paint device, as the printer surface uses it: its ascent,
// text widths, and the glyphs of texts laid out without shaping each text
// again.
//
// Shaping (HarfBuzz through QPainter::drawText and QFontMetricsF) is most of
// what a long ledger costs, yet the ledgers are kanji, kana, digits and a
// little Latin: for those the shaper only looks each character up in the
// font, so each character is measured once and its glyph and advance reused.
// Every text that the shaper could treat otherwise than one character at a
// time (combining marks, right-to-left or complex scripts, controls,
// characters the font lacks and a fallback font draws, glyphs that a default
// OpenType feature of the font joins with a neighbour) is left to Qt, so the
// printout is the same glyph for glyph and position for position.
#pragma once

#include <QFont>
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QPointF>
#include <QRawFont>
#include <QSet>
#include <QString>
#include <array>
#include <memory>

class QPaintDevice;

class FontGlyphs {
public:
    // `font` as a QPainter on `device` uses it.
    FontGlyphs(const QFont &font, const QPaintDevice *device);

    qreal ascent() const { return m_ascent; }

    // The width QFontMetricsF::horizontalAdvance gives.
    qreal width(const QString &text);

    // Appends the glyphs of `text` and their positions when its baseline
    // starts at (x, baseline), exactly as QPainter::drawText would place
    // them; false, appending nothing, when the text has to be shaped by Qt.
    bool layout(const QString &text, qreal x, qreal baseline, QList<quint32> &glyphs,
                QList<QPointF> &positions);

    // The font the glyphs of layout() belong to.
    const QRawFont &rawFont() const { return m_raw; }

private:
    // A character's glyph and advance in 1/64 units (Qt's fixed point);
    // glyph 0 marks a character left to Qt.
    struct Glyph {
        quint32 index = 0;
        qint32 advance = 0;
        bool known = false;
    };
    const Glyph &glyphOf(char32_t c);
    Glyph measure(char32_t c);
    // Advances of the whole text in 1/64 units, or -1 when a character is left to Qt.
    qint64 plainAdvance(const QString &text);

    QFontMetricsF m_metrics;
    QRawFont m_raw;
    qreal m_ascent = 0;
    // False when the font's default features do more than this layout can
    // reproduce: then every text goes to Qt.
    bool m_plainFont = false;
    QSet<quint32> m_joinedGlyphs;
    // Characters of the basic plane in pages of 256, made when first met.
    std::array<std::unique_ptr<std::array<Glyph, 256>>, 256> m_bmp;
    QHash<char32_t, Glyph> m_astral;
    // Widths of texts Qt measures, so that each is measured once.
    QHash<QString, qreal> m_shapedWidths;
};
