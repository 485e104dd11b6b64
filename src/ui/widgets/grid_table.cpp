#include "ui/widgets/grid_table.h"

#include <QBrush>
#include <QScopedValueRollback>

QColor vbColor(long rgb)
{
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

GridTable::GridTable(std::vector<Column> columns, QObject *parent)
    : QAbstractTableModel(parent), m_columns(std::move(columns))
{
}

int GridTable::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_fetched + (m_blankShown ? kBlankRows : 0);
}

int GridTable::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

Qt::ItemFlags GridTable::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
}

QVariant GridTable::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return {};
    const int row = index.row();
    const int col = index.column();
    const bool item = row < m_fetched;
    switch (role) {
    case Qt::DisplayRole:
        // The number column's text is the row's header (numbers move with
        // rows put in above; the items' own cells do not).
        return item && col > 0 ? text(row, col) : QString();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(m_columns[size_t(col)].align | Qt::AlignVCenter);
    case Qt::ForegroundRole: {
        const QColor c = item && col > 0 ? color(row, col) : QColor();
        return c.isValid() ? c : vbColor(kGridBlack);
    }
    case Qt::BackgroundRole:
        if (col == 0)
            return {}; // the fixed column's own grey
        return vbColor(item && isSelected(row) ? kGridPaleYellow : kGridWhite);
    default:
        return {};
    }
}

QVariant GridTable::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role != Qt::DisplayRole || section < 0 || section >= rowCount())
            return {};
        return section < m_fetched ? number(section) : QString();
    }
    if (section < 0 || section >= columnCount())
        return {};
    const Column &c = m_columns[size_t(section)];
    switch (role) {
    case Qt::DisplayRole:
        return c.header;
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(c.headerAlign | Qt::AlignVCenter);
    case Qt::ForegroundRole:
        return vbColor(kGridBlack);
    default:
        return {};
    }
}

bool GridTable::canFetchMore(const QModelIndex &parent) const
{
    // Not while rows are being put in or taken out: whoever hears of that
    // change would start another one inside it.
    return !parent.isValid() && !m_blankShown && !m_changing;
}

void GridTable::fetchMore(const QModelIndex &parent)
{
    if (!canFetchMore(parent))
        return;
    if (m_fetched == 0)
        prepareFetch();
    const int to = std::min(m_total, m_fetched + kFetchRows);
    // The blank rows come with the last items, in the same insertion.
    const bool completes = to == m_total;
    const QScopedValueRollback changing(m_changing, true);
    beginInsertRows(QModelIndex(), m_fetched, to + (completes ? kBlankRows : 0) - 1);
    fetchItems(m_fetched, to);
    m_fetched = to;
    m_blankShown = completes;
    endInsertRows();
}

void GridTable::fetchUpTo(int row)
{
    while (rowCount() < row && canFetchMore(QModelIndex()))
        fetchMore(QModelIndex());
}

void GridTable::showBlankRows()
{
    if (m_blankShown || !complete())
        return;
    const QScopedValueRollback changing(m_changing, true);
    beginInsertRows(QModelIndex(), m_fetched, m_fetched + kBlankRows - 1);
    m_blankShown = true;
    endInsertRows();
}

void GridTable::resetItems(int count)
{
    const QScopedValueRollback changing(m_changing, true);
    beginResetModel();
    dropItems();
    m_total = count;
    m_fetched = 0;
    m_blankShown = false;
    endResetModel();
}

void GridTable::itemInserted(int row, const std::function<void()> &store)
{
    ++m_total;
    if (row > m_fetched || (row == m_fetched && !m_blankShown))
        return; // among the rows not fetched yet
    const QScopedValueRollback changing(m_changing, true);
    beginInsertRows(QModelIndex(), row, row);
    store();
    ++m_fetched;
    endInsertRows();
    // The rows below renumber.
    if (row + 1 < m_fetched)
        emit headerDataChanged(Qt::Vertical, row + 1, m_fetched - 1);
}

void GridTable::itemRemoved(int row, const std::function<void()> &store)
{
    --m_total;
    if (row >= m_fetched) {
        if (complete()) {
            // The last rows not fetched went: the list is all in.
            showBlankRows();
        }
        return;
    }
    const QScopedValueRollback changing(m_changing, true);
    beginRemoveRows(QModelIndex(), row, row);
    store();
    --m_fetched;
    endRemoveRows();
    if (row < m_fetched)
        emit headerDataChanged(Qt::Vertical, row, m_fetched - 1);
}

void GridTable::itemChanged(int row)
{
    if (row < m_fetched)
        emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
