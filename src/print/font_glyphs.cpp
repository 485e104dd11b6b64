#include "print/font_glyphs.h"

#include <QByteArrayView>
#include <QFontDatabase>
#include <QPaintDevice>
#include <algorithm>
#include <cctype>
#include <optional>

namespace {

// Texts Qt measures are remembered up to this many per font.
constexpr qsizetype kMaxShapedWidths = 4096;

// Big-endian reads from an OpenType table; any read outside it spoils `ok`.
struct TableReader {
    const QByteArray &data;
    bool ok = true;

    quint32 u16(qint64 at)
    {
        if (at < 0 || at + 2 > data.size()) {
            ok = false;
            return 0;
        }
        return quint32(quint8(data[at])) << 8 | quint8(data[at + 1]);
    }
    quint32 u32(qint64 at) { return u16(at) << 16 | u16(at + 2); }
};

// Features HarfBuzz applies to horizontal text only when asked (kerning too
// when the font has it turned off, as Qt then asks for it off).
bool offByDefault(QByteArrayView tag, bool kerning)
{
    static const char *const kOnRequest[] = {
        "aalt", "afrc", "c2pc", "c2sc", "case", "cpsp", "dlig", "expt", "falt", "fwid", "halt", "hist",
        "hkna", "hlig", "hngl", "hojo", "hwid", "ital", "jalt", "jp04", "jp78", "jp83", "jp90", "lnum",
        "mgrk", "nalt", "nlck", "onum", "ordn", "ornm", "palt", "pcap", "pkna", "pnum", "pwid", "qwid",
        "ruby", "salt", "sinf", "smcp", "smpl", "subs", "sups", "swsh", "titl", "tnum", "trad", "twid",
        "unic", "valt", "vert", "vhal", "vkna", "vkrn", "vpal", "vrt2", "vrtr", "zero"};
    if (tag == "kern")
        return !kerning;
    if ((tag.startsWith("ss") || tag.startsWith("cv")) && std::isdigit(uchar(tag[2])) && std::isdigit(uchar(tag[3])))
        return true;
    return std::any_of(std::begin(kOnRequest), std::end(kOnRequest), [&](const char *t) { return tag == t; });
}

// Adds the later components of every ligature of a substitution lookup
// (only when these follow the first does the ligature form); false for any
// other kind of lookup.
bool addLigatureComponents(TableReader &r, qint64 lookup, QSet<quint32> &joined)
{
    const quint32 type = r.u16(lookup);
    const quint32 subtables = r.u16(lookup + 4);
    for (quint32 s = 0; s < subtables && r.ok; ++s) {
        qint64 sub = lookup + r.u16(lookup + 6 + 2 * s);
        quint32 subType = type;
        if (subType == 7) { // extension: the real subtable is further on
            subType = r.u16(sub + 2);
            sub += r.u32(sub + 4);
        }
        if (subType != 4 || r.u16(sub) != 1)
            return false;
        const quint32 sets = r.u16(sub + 4);
        for (quint32 k = 0; k < sets && r.ok; ++k) {
            const qint64 set = sub + r.u16(sub + 6 + 2 * k);
            const quint32 ligatures = r.u16(set);
            for (quint32 j = 0; j < ligatures && r.ok; ++j) {
                const qint64 ligature = set + r.u16(set + 2 + 2 * j);
                const quint32 components = r.u16(ligature + 2);
                for (quint32 m = 1; m < components && r.ok; ++m)
                    joined.insert(r.u16(ligature + 4 + 2 * (m - 1)));
            }
        }
    }
    return r.ok;
}

// The glyphs that the font's default features may join with the glyph
// before them; nothing when the default features do more than ligatures
// (positioning, contextual or single substitutions, Apple layout tables),
// which glyph by glyph layout could not reproduce.
std::optional<QSet<quint32>> joinedGlyphs(const QRawFont &font, bool kerning)
{
    for (const char *apple : {"morx", "mort", "kerx", "trak"})
        if (!font.fontTable(apple).isEmpty())
            return std::nullopt;
    if (kerning && !font.fontTable("kern").isEmpty())
        return std::nullopt;
    QSet<quint32> joined;
    for (const char *name : {"GSUB", "GPOS"}) {
        const QByteArray data = font.fontTable(name);
        if (data.isEmpty())
            continue;
        TableReader r{data};
        if (r.u16(2) >= 1 && r.u32(10) != 0) // feature variations
            return std::nullopt;
        const qint64 features = r.u16(6);
        const qint64 lookups = r.u16(8);
        const quint32 lookupCount = r.u16(lookups);
        const quint32 featureCount = r.u16(features);
        for (quint32 f = 0; f < featureCount && r.ok; ++f) {
            const qint64 record = features + 2 + 6 * f;
            const qint64 feature = features + r.u16(record + 4);
            if (!r.ok)
                break;
            if (offByDefault(QByteArrayView(data.constData() + record, 4), kerning))
                continue;
            const quint32 count = r.u16(feature + 2);
            for (quint32 i = 0; i < count && r.ok; ++i) {
                const quint32 index = r.u16(feature + 4 + 2 * i);
                if (index >= lookupCount || name[1] == 'P'
                    || !addLigatureComponents(r, lookups + r.u16(lookups + 2 + 2 * index), joined))
                    return std::nullopt;
            }
        }
        if (!r.ok)
            return std::nullopt;
    }
    return joined;
}

// Characters the shaper, in left-to-right text, only looks up in the font:
// no marks, controls, format or private characters, no right-to-left or
// complex scripts. Common characters take the script of their neighbours,
// so all of these scripts must come from the same font (checked by the caller).
bool plainCharacter(char32_t c)
{
    if (c == QChar::ObjectReplacementCharacter)
        return false;
    switch (QChar::category(c)) {
    case QChar::Mark_NonSpacing:
    case QChar::Mark_SpacingCombining:
    case QChar::Mark_Enclosing:
    case QChar::Separator_Line:
    case QChar::Separator_Paragraph:
    case QChar::Other_Control:
    case QChar::Other_Format:
    case QChar::Other_Surrogate:
    case QChar::Other_PrivateUse:
    case QChar::Other_NotAssigned:
        return false;
    default:
        break;
    }
    switch (QChar::script(c)) {
    case QChar::Script_Common:
    case QChar::Script_Latin:
    case QChar::Script_Han:
    case QChar::Script_Hiragana:
    case QChar::Script_Katakana:
        break;
    default:
        return false;
    }
    switch (QChar::direction(c)) {
    case QChar::DirL:
    case QChar::DirEN:
    case QChar::DirES:
    case QChar::DirET:
    case QChar::DirCS:
    case QChar::DirWS:
    case QChar::DirON:
        return true;
    default:
        return false;
    }
}

// Same family and style: the same font file (Qt keeps the family name of
// the request, which for a substituted family is in lower case).
bool sameFont(const QRawFont &a, const QRawFont &b)
{
    return a.isValid() && b.isValid() && a.familyName().compare(b.familyName(), Qt::CaseInsensitive) == 0
        && a.styleName() == b.styleName() && a.pixelSize() == b.pixelSize();
}

} // namespace

FontGlyphs::FontGlyphs(const QFont &font, const QPaintDevice *device)
    : m_metrics(font, device), m_raw(QRawFont::fromFont(QFont(font, device)))
{
    m_ascent = m_metrics.ascent();
    // The scripts of plain characters must all start from this font.
    bool oneFont = m_raw.isValid();
    for (auto ws : {QFontDatabase::Latin, QFontDatabase::Japanese, QFontDatabase::SimplifiedChinese,
                    QFontDatabase::TraditionalChinese})
        oneFont = oneFont && sameFont(m_raw, QRawFont::fromFont(QFont(font, device), ws));
    if (oneFont) {
        if (auto joined = joinedGlyphs(m_raw, font.kerning())) {
            m_joinedGlyphs = std::move(*joined);
            m_plainFont = true;
        }
    }
}

FontGlyphs::Glyph FontGlyphs::measure(char32_t c)
{
    Glyph g;
    g.known = true;
    if (!m_plainFont || !plainCharacter(c))
        return g;
    const QString text = QString::fromUcs4(&c, 1);
    quint32 index[2] = {0, 0};
    int count = 2;
    if (!m_raw.glyphIndexesForChars(text.constData(), int(text.size()), index, &count) || count != 1
        || index[0] == 0 || m_joinedGlyphs.contains(index[0]))
        return g;
    // The advance as Qt's shaper gives it, a whole number of 1/64.
    const qreal advance = m_metrics.horizontalAdvance(text);
    const qint32 fixed = qRound(advance * 64);
    if (fixed / qreal(64) != advance)
        return g;
    g.index = index[0];
    g.advance = fixed;
    return g;
}

const FontGlyphs::Glyph &FontGlyphs::glyphOf(char32_t c)
{
    if (c > 0xFFFF) {
        auto it = m_astral.find(c);
        if (it == m_astral.end())
            it = m_astral.insert(c, measure(c));
        return *it;
    }
    auto &page = m_bmp[c >> 8];
    if (!page)
        page = std::make_unique<std::array<Glyph, 256>>();
    Glyph &g = (*page)[c & 0xFF];
    if (!g.known)
        g = measure(c);
    return g;
}

namespace {
// Calls `each` with every character of `text` (a surrogate pair is one);
// stops at the first for which it returns false.
template <typename F>
bool forEachCharacter(const QString &text, F each)
{
    const qsizetype n = text.size();
    const QChar *s = text.constData();
    for (qsizetype i = 0; i < n; ++i) {
        char32_t c = s[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n && s[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), s[++i].unicode());
        if (!each(c))
            return false;
    }
    return true;
}
} // namespace

qint64 FontGlyphs::plainAdvance(const QString &text)
{
    qint64 sum = 0;
    const bool plain = forEachCharacter(text, [&](char32_t c) {
        const Glyph &g = glyphOf(c);
        sum += g.advance;
        return g.index != 0;
    });
    return plain ? sum : -1;
}

qreal FontGlyphs::width(const QString &text)
{
    if (m_plainFont) {
        const qint64 plain = plainAdvance(text);
        if (plain >= 0)
            return plain / qreal(64);
    }
    if (auto it = m_shapedWidths.constFind(text); it != m_shapedWidths.constEnd())
        return *it;
    if (m_shapedWidths.size() >= kMaxShapedWidths)
        m_shapedWidths.clear();
    const qreal w = m_metrics.horizontalAdvance(text);
    m_shapedWidths.insert(text, w);
    return w;
}

bool FontGlyphs::layout(const QString &text, qreal x, qreal baseline, QList<quint32> &glyphs,
                        QList<QPointF> &positions)
{
    if (!m_plainFont)
        return false;
    const qsizetype start = glyphs.size();
    // Where QPainter::drawText puts the first glyph: both coordinates cut to
    // Qt's fixed point (1/64) the way it cuts them; each advance then adds a
    // whole number of 1/64, so the positions are exact in floating point.
    qint64 pen = int(x * qreal(64));
    const qreal y = int(baseline * qreal(64)) / qreal(64);
    const bool plain = forEachCharacter(text, [&](char32_t c) {
        const Glyph &g = glyphOf(c);
        if (g.index == 0)
            return false;
        glyphs.append(g.index);
        positions.append(QPointF(pen / qreal(64), y));
        pen += g.advance;
        return true;
    });
    if (!plain) {
        glyphs.resize(start);
        positions.resize(start);
    }
    return plain;
}
