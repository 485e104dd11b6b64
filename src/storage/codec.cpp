#include "storage/codec.h"

#include "model/values.h"

#include <QtEndian>
#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <string_view>
#include <vector>
#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace {

#if Q_BYTE_ORDER == Q_LITTLE_ENDIAN
const char *const kUtf16 = "UTF-16LE";
#else
const char *const kUtf16 = "UTF-16BE";
#endif

iconv_t handle(void *p) { return static_cast<iconv_t>(p); }

void *openIconv(const char *to, const char *from)
{
    iconv_t h = iconv_open(to, from);
    if (h == reinterpret_cast<iconv_t>(-1))
        throw HarumokaError(QStringLiteral("文字コードの変換（コードページ932）が使えません。"));
    return h;
}

// One code page 932 character stands for each of these Unicode forms; the
// file reads back the second one.
bool sameJapaneseCharacter(char16_t written, char16_t readBack)
{
    switch (written) {
    case 0x301C: return readBack == 0xFF5E; // 〜 -> ～
    case 0x2016: return readBack == 0x2225; // ‖ -> ∥
    case 0x2212: return readBack == 0xFF0D; // − -> －
    case 0x2014: return readBack == 0x2015; // — -> ―
    case 0x00A2: return readBack == 0xFFE0; // ¢ -> ￠
    case 0x00A3: return readBack == 0xFFE1; // £ -> ￡
    case 0x00AC: return readBack == 0xFFE2; // ¬ -> ￢
    default: return false;
    }
}

} // namespace

Cp932Codec::Cp932Codec()
    : m_encoder(openIconv("CP932", kUtf16)), m_decoder(openIconv(kUtf16, "CP932"))
{
}

Cp932Codec::~Cp932Codec()
{
    iconv_close(handle(m_encoder));
    iconv_close(handle(m_decoder));
}

bool Cp932Codec::encode(QStringView text, QByteArray &out, qsizetype *badIndex)
{
    if (text.isEmpty())
        return true;
    QByteArray bytes(text.size() * 2, Qt::Uninitialized);
    char *in = const_cast<char *>(reinterpret_cast<const char *>(text.utf16()));
    size_t inLeft = size_t(text.size()) * 2;
    char *outPtr = bytes.data();
    size_t outLeft = size_t(bytes.size());
    iconv(handle(m_encoder), nullptr, nullptr, nullptr, nullptr);
    const size_t r = iconv(handle(m_encoder), &in, &inLeft, &outPtr, &outLeft);
    if (r == size_t(-1)) {
        if (badIndex)
            *badIndex = (qsizetype(text.size()) * 2 - qsizetype(inLeft)) / 2;
        return false;
    }
    bytes.truncate(bytes.size() - qsizetype(outLeft));

    // A character written as something that reads back differently would be
    // changed silently; compare unit by unit (the code page has no
    // characters outside the BMP, so the lengths match).
    QString back;
    qsizetype badByte = 0;
    if (!decode(bytes, back, &badByte) || back.size() != text.size()) {
        if (badIndex)
            *badIndex = 0;
        return false;
    }
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t w = text[i].unicode();
        const char16_t b = back[i].unicode();
        if (w != b && !sameJapaneseCharacter(w, b)) {
            if (badIndex)
                *badIndex = i;
            return false;
        }
    }
    out.append(bytes);
    return true;
}

bool Cp932Codec::decode(QByteArrayView bytes, QString &out, qsizetype *badOffset)
{
    out.clear();
    if (bytes.isEmpty())
        return true;
    // Every byte or byte pair gives one UTF-16 unit at most.
    out.resize(bytes.size());
    char16_t *const first = reinterpret_cast<char16_t *>(out.data());
    char16_t *to = first;
    const uchar *const data = reinterpret_cast<const uchar *>(bytes.data());
    const qsizetype n = bytes.size();
    iconv(handle(m_decoder), nullptr, nullptr, nullptr, nullptr);
    // Runs decoded already, by their bytes: where their text stands in `out`
    // (articles and breakdowns come back again and again). A fixed table
    // where a run takes the slot its hash names, replacing what was there:
    // finding a run is one comparison, and a file made of runs that share a
    // slot costs no more than decoding each run again. Only for a whole
    // file: the writer decodes each text it encodes, to check it, and a
    // table made for every one of those cost more than the decoding.
    struct Decoded {
        std::string_view run;
        qsizetype at = 0;
        qsizetype size = -1;
    };
    constexpr size_t kSlots = 1024;
    constexpr qsizetype kRememberFrom = 4096; // bytes
    std::vector<Decoded> seen(n >= kRememberFrom ? kSlots : 0);
    qsizetype i = 0;
    while (i < n) {
        // The bytes 0x00-0x7F are the ASCII characters (most of an account
        // file: digits, dates, signs), taken as they are.
        if (data[i] < 0x80) {
#ifdef __SSE2__
            // Sixteen at a time while they are all ASCII, widened in place.
            // Safe to store: the text never runs ahead of the bytes read.
            const __m128i zero = _mm_setzero_si128();
            while (i + 16 <= n) {
                const __m128i ascii = _mm_loadu_si128(reinterpret_cast<const __m128i *>(data + i));
                if (_mm_movemask_epi8(ascii))
                    break;
                _mm_storeu_si128(reinterpret_cast<__m128i *>(to), _mm_unpacklo_epi8(ascii, zero));
                _mm_storeu_si128(reinterpret_cast<__m128i *>(to + 8), _mm_unpackhi_epi8(ascii, zero));
                i += 16;
                to += 16;
            }
#endif
            while (i < n && data[i] < 0x80)
                *to++ = data[i++];
            continue;
        }
        // The rest through iconv, a run at a time. The run ends at an ASCII
        // byte that cannot be the second byte of a pair: any byte from 0x80
        // up but the one-byte katakana (0xA1-0xDF) takes the byte after it
        // along (a run that takes one ASCII byte too many decodes the same,
        // the code page having no shift states).
        qsizetype end = i;
        while (end < n && data[end] >= 0x80)
            end += data[end] >= 0xA1 && data[end] <= 0xDF ? 1 : 2;
        end = std::min(end, n);
        const std::string_view run(bytes.data() + i, size_t(end - i));
        Decoded *const slot = seen.empty() ? nullptr : &seen[std::hash<std::string_view>()(run) % kSlots];
        if (slot && slot->size >= 0 && slot->run == run) {
            to = std::copy_n(first + slot->at, slot->size, to);
            i = end;
            continue;
        }
        char16_t *const runStart = to;
        char *in = const_cast<char *>(bytes.data() + i);
        size_t inLeft = size_t(end - i);
        char *outPtr = reinterpret_cast<char *>(to);
        size_t outLeft = size_t(end - i) * 2;
        const size_t r = iconv(handle(m_decoder), &in, &inLeft, &outPtr, &outLeft);
        to = reinterpret_cast<char16_t *>(outPtr);
        if (r == size_t(-1)) {
            out.truncate(to - first);
            if (badOffset)
                *badOffset = end - qsizetype(inLeft);
            return false;
        }
        if (slot)
            *slot = Decoded{run, runStart - first, to - runStart};
        i = end;
    }
    out.truncate(to - first);
    return true;
}

qsizetype foreignTextOffset(QByteArrayView bytes)
{
    const char *const data = bytes.data();
    const qsizetype n = bytes.size();
    // Never part of a code page 932 character (second bytes are 0x40 and up).
    qsizetype shift = n;
    for (const char c : {'\x1B', '\x0E', '\x0F'}) {
        if (const void *at = std::memchr(data, c, size_t(shift)))
            shift = static_cast<const char *>(at) - data;
    }
    if (shift < n)
        return shift;
    // The first byte that is not ASCII, eight bytes at a time while they are.
    qsizetype firstHigh = 0;
    for (quint64 word; firstHigh + 8 <= n; firstHigh += 8) {
        std::memcpy(&word, data + firstHigh, 8);
        if (word & 0x8080808080808080ULL)
            break;
    }
    while (firstHigh < n && uchar(data[firstHigh]) < 0x80)
        ++firstHigh;
    if (firstHigh == n)
        return -1;
    const bool wide = std::any_of(data + firstHigh, data + n, [](char c) { return uchar(c) >= 0xE0; });
    return wide && bytes.isValidUtf8() ? firstHigh : -1;
}

namespace {

// One conversion with a codec of its own; `ok` (when given) tells whether
// every character converted.
template <typename Out, typename Convert>
Out convertOnce(bool *ok, Convert convert)
{
    Cp932Codec codec;
    Out out;
    const bool good = convert(codec, out);
    if (ok)
        *ok = good;
    return out;
}

} // namespace

QString decodeCp932(const QByteArray &bytes, qsizetype *badOffset, bool *ok)
{
    return convertOnce<QString>(ok, [&](Cp932Codec &c, QString &out) { return c.decode(bytes, out, badOffset); });
}

QByteArray encodeCp932(const QString &text, bool *ok, qsizetype *badIndex)
{
    return convertOnce<QByteArray>(ok, [&](Cp932Codec &c, QByteArray &out) { return c.encode(text, out, badIndex); });
}

QString characterAt(const QString &text, qsizetype i)
{
    if (i < 0 || i >= text.size())
        return QString();
    if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
        return text.mid(i, 2);
    return text.mid(i, 1);
}

static bool isControlMark(QChar c)
{
    return c == u'\x1b' || c == u'\x0e' || c == u'\x0f';
}

bool isStorableText(QStringView text)
{
    if (std::any_of(text.begin(), text.end(), isControlMark))
        return false;
    // One pair of handles per thread: a text box asks on every key.
    thread_local Cp932Codec codec;
    QByteArray out;
    return codec.encode(text, out);
}

QString storableText(const QString &text, QStringList *leftOut)
{
    if (isStorableText(text))
        return text;
    QString kept;
    kept.reserve(text.size());
    for (qsizetype i = 0; i < text.size();) {
        const QString c = characterAt(text, i);
        i += c.size();
        if (c[0].isSurrogate() && c.size() == 1)
            continue; // half a pair: nothing a file could hold
        if (isStorableText(c))
            kept += c;
        else if (leftOut && !leftOut->contains(c))
            leftOut->append(c);
    }
    return kept;
}

namespace {

// Where the first CR or LF at or after `from` stands, or n. An account file
// is short lines of a few characters, a fifth of a million of them at 30,000
// entries: eight UTF-16 units are compared at once where the processor can.
qsizetype findLineEnd(const char16_t *text, qsizetype from, qsizetype n)
{
    qsizetype i = from;
#ifdef __SSE2__
    const __m128i cr = _mm_set1_epi16(short(u'\r'));
    const __m128i lf = _mm_set1_epi16(short(u'\n'));
    for (; i + 8 <= n; i += 8) {
        const __m128i units = _mm_loadu_si128(reinterpret_cast<const __m128i *>(text + i));
        const unsigned ends =
            unsigned(_mm_movemask_epi8(_mm_or_si128(_mm_cmpeq_epi16(units, cr), _mm_cmpeq_epi16(units, lf))));
        if (ends)
            return i + std::countr_zero(ends) / 2; // two mask bits per unit
    }
#endif
    while (i < n && text[i] != u'\r' && text[i] != u'\n')
        ++i;
    return i;
}

} // namespace

QStringView LineCursor::next()
{
    const qsizetype start = m_pos;
    const qsizetype n = m_text.size();
    const qsizetype end = findLineEnd(m_text.utf16(), start, n);
    m_terminated = end < n;
    m_pos = end;
    if (m_pos < n) {
        if (m_text[m_pos] == u'\r' && m_pos + 1 < n && m_text[m_pos + 1] == u'\n')
            m_pos += 2;
        else
            m_pos += 1;
    }
    ++m_line;
    return m_text.mid(start, end - start);
}

QStringList splitLines(const QString &text)
{
    QStringList lines;
    LineCursor cursor(text);
    while (!cursor.atEnd())
        lines << cursor.next().toString();
    return lines;
}
