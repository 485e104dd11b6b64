#include "ui/models/entry_table_model.h"

#include "model/values.h"

namespace {

constexpr Qt::Alignment L = Qt::AlignLeft, C = Qt::AlignHCenter, R = Qt::AlignRight;
using E = GridTable::Column::Editor;

std::vector<GridTable::Column> columnsOf(bool income)
{
    const QString no = QStringLiteral("No."), date = QStringLiteral("日付"), article = QStringLiteral("項目"),
                  sub = QStringLiteral("内訳"), amount = QStringLiteral("金額");
    if (income)
        return {{no, L, L, 500},
                {date, C, C, 1695, E::Date},
                {article, C, L, -7130, E::Text, 15},
                {sub, C, L, 1575, E::Text, 15},
                {QStringLiteral("一人分"), C, R, 1000, E::Text},
                {QStringLiteral("生徒数"), C, R, 800, E::Text},
                {amount, C, R, 1200, E::Text}};
    return {{no, L, L, 500},
            {date, C, C, 1695, E::Date},
            {QStringLiteral("領収書"), C, L, 1000, E::Text, 15},
            {article, C, L, -7050, E::Text, 15},
            {sub, C, L, 1575, E::Text, 15},
            {amount, C, R, 1200, E::Text, 15},
            {QStringLiteral("明細"), C, C, 720, E::Button}};
}

QString amountText(qint32 amount)
{
    return amount != 0 ? formatAmount(amount) : QString();
}

} // namespace

QString supplyGridDate(const QString &text)
{
    return text.indexOf(QLatin1Char('/')) == 4 ? text.mid(2) : text;
}

EntryTableModel::EntryTableModel(Document &doc, bool income, QObject *parent)
    : GridTable(columnsOf(income), parent), m_doc(doc), m_income(income)
{
    resetItems(doc.count(income));
    connect(&doc, &Document::changed, this, &EntryTableModel::documentChanged);
}

void EntryTableModel::documentChanged(const Document::Update &update)
{
    if (update.what & Document::EntriesReplaced) {
        m_selectedKey = -1;
        resetItems(m_doc.count(m_income));
        return;
    }
    for (const Document::RowChange &c : update.rows) {
        if (c.income != m_income)
            continue;
        const auto at = m_items.begin() + std::min<ptrdiff_t>(c.row, ptrdiff_t(m_items.size()));
        switch (c.kind) {
        case Document::RowChange::Inserted:
            itemInserted(c.row, [&] { m_items.insert(at, c.entry); });
            break;
        case Document::RowChange::Removed:
            itemRemoved(c.row, [&] { m_items.erase(at); });
            break;
        case Document::RowChange::Updated:
            if (size_t(c.row) < m_items.size())
                m_items[size_t(c.row)] = c.entry;
            itemChanged(c.row);
            break;
        }
    }
}

void EntryTableModel::fetchItems(int from, int to)
{
    const std::vector<EntryPtr> &entries = m_doc.entries().ofKind(m_income);
    m_items.insert(m_items.end(), entries.begin() + from, entries.begin() + to);
}

QString EntryTableModel::text(int row, int col) const
{
    const Entry &e = *m_items[size_t(row)];
    if (m_income) {
        switch (col) {
        case 1: return shortDate(e.date);
        case 2: return e.article;
        case 3: return e.breakdown;
        case 4: return amountText(e.perPupil);
        case 5: return QString::number(e.pupils);
        case 6: return amountText(e.amount);
        default: return {};
        }
    }
    switch (col) {
    case 1: return supplyGridDate(shortDate(e.date));
    case 2: return e.receipt != 0 ? QStringLiteral("No.") + Str(e.receipt) : QString();
    case 3: return e.article;
    case 4: return e.breakdown;
    case 5: return amountText(e.amount);
    case 6: return e.hasDetailLines() ? QStringLiteral("○") : QString();
    default: return {};
    }
}

QColor EntryTableModel::color(int row, int col) const
{
    const Entry &e = *m_items[size_t(row)];
    if (m_income)
        return col == 4 ? amountColor(e.perPupil) : col == 6 ? amountColor(e.amount) : QColor();
    return col == 2 ? vbColor(kGridRed) : col == 5 ? amountColor(e.amount) : QColor();
}

int EntryTableModel::fetchedRowOf(qint32 key) const
{
    if (key < 0)
        return -1;
    for (size_t i = 0; i < m_items.size(); ++i) {
        if (m_items[i]->key == key)
            return int(i);
    }
    return -1;
}

void EntryTableModel::selectKey(qint32 key)
{
    if (key == m_selectedKey)
        return;
    const int before = fetchedRowOf(m_selectedKey);
    m_selectedKey = key;
    for (const int row : {before, fetchedRowOf(key)}) {
        if (row >= 0)
            emit dataChanged(index(row, 1), index(row, columnCount() - 1), {Qt::BackgroundRole});
    }
}

int EntryTableModel::selectedRow() const
{
    // A key selected is one of this kind's rows; 0 once that entry left.
    return m_selectedKey >= 0 ? m_doc.rowOf(m_selectedKey) : 0;
}

void EntryTableModel::selectRow(int row)
{
    const EntryPtr e = row > 0 ? m_doc.entryAt(m_income, row) : nullptr;
    selectKey(e ? e->key : -1);
}
