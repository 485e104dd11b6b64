// Text conversion for the program's files: Windows code page 932 (the
// Japanese "Shift_JIS" that Windows writes, with the NEC and IBM extensions
// such as ① and 髙) through glibc's iconv, and line splitting on decoded
// text. Files are always decoded as a whole before they are split into
// lines: 0x5C and 0x7C occur as second bytes of Japanese characters.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QStringView>

// One pair of conversion handles, reusable for many values.
class Cp932Codec {
public:
    Cp932Codec();
    ~Cp932Codec();
    Cp932Codec(const Cp932Codec &) = delete;
    Cp932Codec &operator=(const Cp932Codec &) = delete;

    // Appends the bytes of text to out. Refuses (returns false, appends
    // nothing) text with a character the code page cannot hold, or one that
    // would come back as a different character (the yen sign U+00A5 would
    // come back as a backslash); *badIndex is then the index of its first
    // UTF-16 unit. The Japanese variants that the code page holds in one form
    // (〜 U+301C as ～, − U+2212 as －, ‖ as ∥, — as ―, ¢ £ ¬ as ￠ ￡ ￢) are
    // accepted: they are the same character to Windows.
    bool encode(QStringView text, QByteArray &out, qsizetype *badIndex = nullptr);
    // Decodes bytes; on bytes that are not code page 932 returns false with
    // out holding the text before them and *badOffset their position.
    bool decode(QByteArrayView bytes, QString &out, qsizetype *badOffset = nullptr);

private:
    void *m_encoder;
    void *m_decoder;
};

// Where bytes that code page 932 would decode show that they are text of
// another encoding: the first escape or shift byte (ISO-2022-JP), or, when
// the whole is valid UTF-8 holding characters of three bytes or more
// (Japanese in UTF-8, which code page 932 would read as other characters),
// the first byte that is not ASCII. -1 for anything else.
qsizetype foreignTextOffset(QByteArrayView bytes);

QString decodeCp932(const QByteArray &bytes, qsizetype *badOffset = nullptr, bool *ok = nullptr);
QByteArray encodeCp932(const QString &text, bool *ok = nullptr, qsizetype *badIndex = nullptr);

// The whole character (both halves of a surrogate pair) at index i.
QString characterAt(const QString &text, qsizetype i);

// Whether an account file can hold the text as it is: every character in
// code page 932 and none of the control characters that would make the file
// read back as damaged (ESC, SO, SI). Line breaks are the caller's matter.
bool isStorableText(QStringView text);
// The text without the characters an account file cannot hold; each
// distinct character left out is added to *leftOut once, in order.
QString storableText(const QString &text, QStringList *leftOut = nullptr);

// Walks decoded text line by line. A line ends at CR LF, at a lone CR or at
// a lone LF; a last line without a line end is a line too.
class LineCursor {
public:
    explicit LineCursor(QStringView text) : m_text(text) {}
    bool atEnd() const { return m_pos >= m_text.size(); }
    // The next line without its line end; call only when !atEnd().
    QStringView next();
    // Whether the line last returned had a line end after it.
    bool lastLineTerminated() const { return m_terminated; }
    // 1-based number of the line last returned.
    qsizetype lineNumber() const { return m_line; }

private:
    QStringView m_text;
    qsizetype m_pos = 0;
    qsizetype m_line = 0;
    bool m_terminated = false;
};

QStringList splitLines(const QString &text);
