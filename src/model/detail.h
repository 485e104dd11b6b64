// One itemised line of an expense (明細): what one receipt paid for.
#pragma once

#include <QList>
#include <QString>

struct DetailLine {
    QString article;
    qint32 amount = 0;

    bool isBlank() const { return article.isEmpty() && amount == 0; }
    bool operator==(const DetailLine &) const = default;
};

using DetailLines = QList<DetailLine>;

// The lines' total; throws OverflowError when it leaves 32 bits.
qint32 sumDetail(const DetailLines &lines);
// The same in 64 bits, for a total shown whatever the lines hold.
qint64 detailTotal(const DetailLines &lines);
// The lines from the first non-blank one on: leading blank lines count
// nowhere (the file, the summaries, the report), later ones are kept.
DetailLines::const_iterator firstNonBlankDetail(const DetailLines &lines);
