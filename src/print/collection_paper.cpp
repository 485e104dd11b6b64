#include "print/collection_paper.h"

#include "model/values.h"
#include "print/layout.h"

#include <algorithm>

using layout::kFontName;

namespace {

// A4 across and down, in twips.
constexpr double kLongSide = 16838;
constexpr double kShortSide = 11906;
constexpr double kMargin = 720;
constexpr double kRow = 330;
constexpr double kNumberWidth = 700;
constexpr double kNameWidth = 2600;
constexpr double kOwedWidth = 1300;
constexpr double kMinCollectionWidth = 900;

bool owes(const Entry &c, const Pupil &p)
{
    return !p.movedOut && c.marks && !c.marks->unconfirmed && c.marks->mark(p.id).state == Mark::Unpaid;
}

qint64 owedBy(const std::vector<EntryPtr> &collections, const Pupil &p)
{
    qint64 owed = 0;
    for (const EntryPtr &c : collections)
        owed += owes(*c, p) ? c->perPupil : 0;
    return owed;
}

// "ハルモカ市立さくら小学校 第3学年 2組": the class as the title names it.
QString className(const PrintSettings &ps)
{
    if (!ps.classMode)
        return ps.title;
    return QStringList{ps.schoolName, ps.grade + ps.room}.join(QLatin1Char(' ')).trimmed();
}

// Who keeps the accounts: the reporter, or the class teacher of a class account.
QString keeper(const PrintSettings &ps)
{
    if (!ps.classMode && !ps.reporter.isEmpty())
        return QStringLiteral("会計 ") + ps.reporter;
    return ps.charge.isEmpty() ? QString() : QStringLiteral("担任 ") + ps.charge;
}

void cell(PageSurface &s, double left, double right, double top, const QString &text, bool rightAligned = false)
{
    const double y = top + 50;
    if (rightAligned)
        s.textRightAligned(right - 80, y, text);
    else if (left + 80 + s.textWidth(text) > right)
        s.textAt(left + 40, y, text);
    else
        s.textCentred(left, right, y, text);
}

} // namespace

QString collectionTitle(const Entry &c)
{
    return c.breakdown.isEmpty() ? c.article : c.breakdown;
}

std::vector<EntryPtr> yearCollections(const EntryList &entries)
{
    std::vector<EntryPtr> out;
    for (const EntryPtr &e : entries.ofKind(true)) {
        if (e->isCollection())
            out.push_back(e);
    }
    return out;
}

QString markText(const Entry &c, const Pupil &p)
{
    const Mark m = c.marks ? c.marks->mark(p.id) : Mark();
    if (m.state == Mark::Paid)
        return QStringLiteral("済 ") + m.paidOn.toString(QStringLiteral("M/d"));
    if (m.state == Mark::Exempt)
        return QStringLiteral("免除");
    if (p.movedOut)
        return QString();
    return !c.marks || c.marks->unconfirmed ? QStringLiteral("未確認") : QStringLiteral("未");
}

void printChecklist(const Document &doc, PageSurface &s, const PrintSettings &ps)
{
    const std::vector<EntryPtr> collections = yearCollections(doc.entries());
    const Roster &roster = doc.roster();
    const double tableWidth = kLongSide - 2 * kMargin;
    const double spare = tableWidth - kNumberWidth - kNameWidth - kOwedWidth;
    // As many collections side by side as fit; the rest on the pages after.
    const int perPage = std::max(1, int(spare / kMinCollectionWidth));
    const double headerTop = kMargin + 1000;
    const double bodyTop = headerTop + 3 * kRow;
    const int footRows = 3;
    const int rowsPerPage = std::max(1, int((kShortSide - kMargin - bodyTop) / kRow) - footRows);
    const int groups = std::max<int>(1, int((collections.size() + size_t(perPage) - 1) / size_t(perPage)));
    const int rowPages = std::max<int>(1, int((roster.size() + rowsPerPage - 1) / rowsPerPage));
    s.setFontName(kFontName);
    bool first = true;
    for (int g = 0; g < groups; ++g) {
        const size_t from = size_t(g) * size_t(perPage);
        const size_t to = std::min(collections.size(), from + size_t(perPage));
        const double colWidth = to > from ? spare / double(to - from) : spare;
        const bool lastGroup = g == groups - 1;
        for (int rp = 0; rp < rowPages; ++rp) {
            if (!first)
                s.endPage();
            first = false;
            s.setColor(kBlack);
            s.setFontSize(16);
            s.textCentred(kMargin, kLongSide - kMargin, kMargin, QStringLiteral("集金確認表"));
            s.setFontSize(10);
            s.textAt(kMargin, kMargin + 560, className(ps));
            s.textRightAligned(kLongSide - kMargin, kMargin + 560,
                               QStringLiteral("%1　%2").arg(keeper(ps), shortDate(makeDate(ps.printDate.isValid() ? ps.printDate : today()))).trimmed());
            // Column edges: number, name, the collections, the household's total.
            std::vector<double> edges{kMargin, kMargin + kNumberWidth, kMargin + kNumberWidth + kNameWidth};
            for (size_t c = from; c < to; ++c)
                edges.push_back(edges.back() + colWidth);
            edges.push_back(edges.back() + kOwedWidth);
            const int first = rp * rowsPerPage;
            const int last = std::min<int>(int(roster.size()), first + rowsPerPage);
            const bool lastRows = rp == rowPages - 1;
            const double bottom = bodyTop + kRow * (last - first + (lastRows ? footRows : 0));
            s.setLineWidth(layout::kThin);
            for (double y = headerTop; y <= bottom + 1; y += (y < bodyTop ? 3 * kRow : kRow))
                s.drawLine(edges.front(), y, edges.back(), y);
            for (double x : edges)
                s.drawLine(x, headerTop, x, bottom);
            s.setFontSize(9);
            cell(s, edges[0], edges[1], headerTop + kRow, QStringLiteral("番号"));
            cell(s, edges[1], edges[2], headerTop + kRow, QStringLiteral("氏名"));
            for (size_t c = from; c < to; ++c) {
                const Entry &e = *collections[c];
                const double l = edges[c - from + 2], r = edges[c - from + 3];
                cell(s, l, r, headerTop, collectionTitle(e));
                cell(s, l, r, headerTop + kRow, e.date.date().toString(QStringLiteral("M/d")));
                cell(s, l, r, headerTop + 2 * kRow, formatYen(e.perPupil));
            }
            cell(s, edges[edges.size() - 2], edges.back(), headerTop + kRow,
                 lastGroup ? QStringLiteral("未納計") : QString());
            for (int i = first; i < last; ++i) {
                const Pupil &p = roster[i];
                const double y = bodyTop + kRow * (i - first);
                cell(s, edges[0], edges[1], y, QString::number(p.number), true);
                cell(s, edges[1], edges[2], y, p.movedOut ? p.name + QStringLiteral("（転出）") : p.name);
                for (size_t c = from; c < to; ++c) {
                    const QString text = markText(*collections[c], p);
                    s.setColor(text == QLatin1String("未") ? kRed : kBlack);
                    cell(s, edges[c - from + 2], edges[c - from + 3], y, text);
                }
                s.setColor(kBlack);
                if (lastGroup)
                    if (const qint64 owed = owedBy(collections, p))
                        cell(s, edges[edges.size() - 2], edges.back(), y, formatYen(owed), true);
            }
            if (!lastRows)
                continue;
            const double foot = bodyTop + kRow * (last - first);
            const QString labels[] = {QStringLiteral("済（人）"), QStringLiteral("集めた金額"), QStringLiteral("未納")};
            for (int k = 0; k < footRows; ++k)
                cell(s, edges[1], edges[2], foot + kRow * k, labels[k]);
            for (size_t c = from; c < to; ++c) {
                const Entry &e = *collections[c];
                const int paid = e.marks ? e.marks->count(Mark::Paid) : 0;
                const int unpaid = int(std::count_if(roster.cbegin(), roster.cend(), [&](const Pupil &p) { return owes(e, p); }));
                const double l = edges[c - from + 2], r = edges[c - from + 3];
                cell(s, l, r, foot, QString::number(paid), true);
                cell(s, l, r, foot + kRow, formatYen(qint64(paid) * e.perPupil), true);
                cell(s, l, r, foot + 2 * kRow, formatYen(qint64(unpaid) * e.perPupil), true);
            }
            if (lastGroup) {
                qint64 total = 0;
                for (const Pupil &p : roster)
                    total += owedBy(collections, p);
                cell(s, edges[edges.size() - 2], edges.back(), foot + 2 * kRow, formatYen(total), true);
            }
        }
    }
    s.endDocument();
}

void printReminders(const Document &doc, PageSurface &s, const PrintSettings &ps)
{
    const std::vector<EntryPtr> collections = yearCollections(doc.entries());
    std::vector<const Pupil *> owing;
    for (const Pupil &p : doc.roster()) {
        if (owedBy(collections, p) > 0)
            owing.push_back(&p);
    }
    if (owing.empty())
        throw HarumokaError(QStringLiteral("未納のご家庭はありません。お知らせは印刷しません。"));
    // Four slips down the page, cut apart along the dashed lines.
    const double slip = (kLongSide - 2 * kMargin) / 4;
    const double left = kMargin + 300, right = kShortSide - kMargin - 300;
    constexpr int kMaxLines = 7;
    s.setFontName(kFontName);
    for (size_t i = 0; i < owing.size(); ++i) {
        if (i > 0 && i % 4 == 0)
            s.endPage();
        const double top = kMargin + slip * double(i % 4);
        if (i % 4 != 0) {
            s.setLineWidth(layout::kThin);
            for (double x = kMargin; x < kShortSide - kMargin; x += 240)
                s.drawLine(x, top, std::min(x + 120, kShortSide - kMargin), top);
        }
        const Pupil &p = *owing[i];
        s.setColor(kBlack);
        s.setFontSize(14);
        s.textCentred(left, right, top + 250, QStringLiteral("未納のお知らせ"));
        s.setFontSize(10.5);
        s.textAt(left, top + 750, QStringLiteral("%1番　%2 さんのご家庭へ").arg(p.number).arg(p.name));
        s.textRightAligned(right, top + 750, shortDate(makeDate(ps.printDate.isValid() ? ps.printDate : today())));
        s.textAt(left, top + 1100, QStringLiteral("次の集金がまだ納められていません。お手数ですが、お納めください。"));
        double y = top + 1450;
        int shown = 0, more = 0;
        for (const EntryPtr &c : collections) {
            if (!owes(*c, p))
                continue;
            if (shown == kMaxLines) {
                ++more;
                continue;
            }
            s.textAt(left + 400, y, QStringLiteral("%1（%2）").arg(collectionTitle(*c), c->date.date().toString(QStringLiteral("M/d"))));
            s.textRightAligned(right - 2400, y, formatYen(c->perPupil));
            y += 280;
            ++shown;
        }
        if (more > 0) {
            s.textAt(left + 400, y, QStringLiteral("ほか %1 件").arg(more));
            y += 280;
        }
        s.drawLine(left + 400, y + 20, right - 2400, y + 20);
        s.textAt(left + 400, y + 60, QStringLiteral("合計"));
        s.textRightAligned(right - 2400, y + 60, formatYen(owedBy(collections, p)));
        s.textRightAligned(right, top + slip - 450, QStringLiteral("%1　%2").arg(className(ps), keeper(ps)).trimmed());
    }
    s.endDocument();
}

QList<QStringList> checklistRows(const Document &doc)
{
    const std::vector<EntryPtr> collections = yearCollections(doc.entries());
    QList<QStringList> rows;
    QStringList header{QStringLiteral("出席番号"), QStringLiteral("氏名")};
    for (const EntryPtr &c : collections)
        header << QStringLiteral("%1 %2 %3").arg(collectionTitle(*c), c->date.date().toString(Qt::ISODate)).arg(c->perPupil);
    header << QStringLiteral("未納計");
    rows << header;
    for (const Pupil &p : doc.roster()) {
        QStringList row{QString::number(p.number), p.movedOut ? p.name + QStringLiteral("（転出）") : p.name};
        for (const EntryPtr &c : collections)
            row << markText(*c, p);
        row << QString::number(owedBy(collections, p));
        rows << row;
    }
    QStringList paid{QString(), QStringLiteral("済（人）")}, collected{QString(), QStringLiteral("集めた金額")};
    for (const EntryPtr &c : collections) {
        const int n = c->marks ? c->marks->count(Mark::Paid) : 0;
        paid << QString::number(n);
        collected << QString::number(qint64(n) * c->perPupil);
    }
    rows << paid << collected;
    return rows;
}
