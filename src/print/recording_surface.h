// Page surfaces that draw nothing. RehearsalSurface lays a printout out and
// keeps nothing, so that an error in the data shows before a page reaches the
// printer without a copy of every text of a long ledger. RecordingSurface
// lays it out the same way and remembers everything, so that tests (and
// anything else that wants to inspect a printout) can check each text and
// rule of each page exactly.
//
// Text metric: fixed and independent of installed fonts, chosen to match a
// full-width Mincho font. A character below U+0100 or a half-width katakana
// (U+FF61 to U+FF9F) is half the font size wide, every other character
// (a surrogate pair counts as one) the full font size, where a point is
// 20 twips: at 12 pt "あ" is 240 twips wide and "A" 120.
#pragma once

#include "print/page_surface.h"

#include <QList>
#include <QString>

struct RecordedText {
    int page = 0; // 0-based
    double x = 0;
    double y = 0;
    QString text;
    QString fontName;
    double fontSize = 0;
    qint32 color = kBlack;
};

struct RecordedLine {
    int page = 0;
    double x1 = 0;
    double y1 = 0;
    double x2 = 0;
    double y2 = 0;
    int width = 1;
    qint32 color = kBlack;
};

// Moved as bytes when the lists grow (QString is), not one by one.
Q_DECLARE_TYPEINFO(RecordedText, Q_RELOCATABLE_TYPE);
Q_DECLARE_TYPEINFO(RecordedLine, Q_PRIMITIVE_TYPE);

class RehearsalSurface : public PageSurface {
public:
    // Each refuses (HarumokaError) once the document has ended.
    void drawText(const QString &text) override;
    double textWidth(const QString &text) override;
    void drawLine(double x1, double y1, double x2, double y2) override;
    void endPage() override;
    void endDocument() override;

    // The metric on its own, for a given font size.
    static double widthOf(const QString &text, double points);

    int pageEnds() const { return m_pageEnds; }
    // Pages ended with endPage, plus the last one when the document was ended.
    int pageCount() const { return m_pageEnds + (m_documentEnded ? 1 : 0); }
    bool documentEnded() const { return m_documentEnded; }

private:
    void checkOpen() const;
    int m_pageEnds = 0;
    bool m_documentEnded = false;
};

class RecordingSurface : public RehearsalSurface {
public:
    void drawText(const QString &text) override;
    void drawLine(double x1, double y1, double x2, double y2) override;

    const QList<RecordedText> &texts() const { return m_texts; }
    const QList<RecordedLine> &lines() const { return m_lines; }
    QList<RecordedText> textsOnPage(int page) const;
    QList<RecordedLine> linesOnPage(int page) const;

private:
    QList<RecordedText> m_texts;
    QList<RecordedLine> m_lines;
};
