#include "ui/models/detail_table_model.h"

#include "model/values.h"

namespace {

constexpr Qt::Alignment L = Qt::AlignLeft, C = Qt::AlignHCenter, R = Qt::AlignRight;

} // namespace

DetailTableModel::DetailTableModel(Document &doc, qint32 entryKey, QObject *parent)
    : GridTable({{QStringLiteral("No."), C, L, 500},
                 {QStringLiteral("項目"), C, L, -2060, Column::Editor::Text, 15},
                 {QStringLiteral("金額"), C, R, 1200, Column::Editor::Text}},
                parent),
      m_doc(doc), m_key(entryKey)
{
    resetItems(int(linesNow().size()));
    connect(&doc, &Document::changed, this, &DetailTableModel::documentChanged);
}

DetailLines DetailTableModel::linesNow() const
{
    const EntryPtr e = m_doc.entry(m_key);
    return e && e->details ? *e->details : DetailLines();
}

void DetailTableModel::fetchItems(int from, int to)
{
    const DetailLines now = linesNow();
    m_lines.append(now.mid(from, to - from));
}

void DetailTableModel::documentChanged()
{
    const DetailLines now = linesNow();
    if (fetched() != itemCount()) {
        resetItems(int(now.size()));
        return;
    }
    const DetailLines &was = m_lines;
    // The first line that differs: one line in or out there, or lines
    // changed from there on.
    qsizetype first = 0;
    while (first < was.size() && first < now.size() && was[first] == now[first])
        ++first;
    if (now.size() == was.size() + 1 && was.mid(first) == now.mid(first + 1)) {
        itemInserted(int(first), [&] { m_lines.insert(first, now[first]); });
    } else if (now.size() + 1 == was.size() && was.mid(first + 1) == now.mid(first)) {
        itemRemoved(int(first), [&] { m_lines.remove(first); });
    } else if (now.size() == was.size()) {
        for (qsizetype i = first; i < now.size(); ++i) {
            if (m_lines[i] != now[i]) {
                m_lines[i] = now[i];
                itemChanged(int(i));
            }
        }
    } else {
        resetItems(int(now.size()));
    }
}

QString DetailTableModel::text(int row, int col) const
{
    const DetailLine &line = m_lines[row];
    if (col == 1)
        return line.article;
    return col == 2 && line.amount != 0 ? formatAmount(line.amount) : QString();
}

QColor DetailTableModel::color(int row, int col) const
{
    return col == 2 ? amountColor(m_lines[row].amount) : QColor();
}

void DetailTableModel::selectRow(int row)
{
    const int before = m_selectedRow;
    if (row == before)
        return;
    m_selectedRow = row;
    for (const int r : {before, row}) {
        if (r > 0 && r <= fetched())
            emit dataChanged(index(r - 1, 1), index(r - 1, columnCount() - 1), {Qt::BackgroundRole});
    }
}
