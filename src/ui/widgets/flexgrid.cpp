#include "ui/widgets/flexgrid.h"

#include "ui/widgets/readable_colors.h"
#include "ui/widgets/twips.h"

#include <QAbstractTableModel>
#include <QEvent>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyledItemDelegate>
#include <algorithm>
#include <functional>
#include <vector>

namespace {

constexpr int kDefaultRowTwips = 240;
constexpr int kDefaultColTwips = 960;
constexpr qint32 kUnset = -1;
constexpr quint8 kAlignUnset = 0xFF;
// Fixed cells (header row, left column) are painted like a button face.
constexpr long kFixedGrey = vbRGB(240, 240, 240);

// Alignment codes 0-8: horizontal position in code / 3, vertical in code % 3.
// 9 ("general") and unset cells show left-centre.
Qt::Alignment qtAlignment(int code)
{
    if (code < 0 || code > 8)
        code = FlexGrid::LeftCenter;
    static const Qt::Alignment horizontal[3] = {Qt::AlignLeft, Qt::AlignHCenter, Qt::AlignRight};
    static const Qt::Alignment vertical[3] = {Qt::AlignTop, Qt::AlignVCenter, Qt::AlignBottom};
    return horizontal[code / 3] | vertical[code % 3];
}

// A cell in view with none of QTableView's own focus or selection marks: the
// program shows the selected row through cell background colours.
class FlexGridDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem opt(option);
        opt.state &= ~(QStyle::State_HasFocus | QStyle::State_Selected | QStyle::State_MouseOver);
        QStyledItemDelegate::paint(painter, opt, index);
    }
};

} // namespace

struct FlexCell {
    QString text;
    qint32 fore = kUnset;
    qint32 back = kUnset;
    quint8 align = kAlignUnset;
};

struct FlexRow {
    std::vector<FlexCell> cells;
    int heightTwips = kDefaultRowTwips;
};

// The cell store. Grid row 0 is served as the horizontal header, so model row
// i is grid row i + 1. Cell writes do not signal one by one: a single
// dataChanged over the touched area follows once control returns to the event
// loop, which keeps filling tens of thousands of rows linear.
class FlexGridModel : public QAbstractTableModel {
public:
    FlexGridModel() { resizeStore(2, 2); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : int(rows.size()) - 1;
    }
    // Columns of width 0 at the right (the entry grids' key column) stay in
    // the store, where they are written and read like any cell, but are no
    // columns of the view: neither shown nor offered to screen readers.
    int columnCount(const QModelIndex &parent = QModelIndex()) const override
    {
        return parent.isValid() ? 0 : shownCols(colTwips, cols);
    }
    static int shownCols(const std::vector<int> &widths, int count)
    {
        while (count > 1 && widths[size_t(count - 1)] == 0)
            --count;
        return count;
    }

    Qt::ItemFlags flags(const QModelIndex &index) const override
    {
        return index.isValid() ? Qt::ItemIsEnabled : Qt::NoItemFlags;
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (!index.isValid())
            return {};
        return cellData(index.row() + 1, index.column(), role);
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || section < 0 || section >= cols)
            return {};
        return cellData(0, section, role);
    }

    bool valid(int row, int col) const
    {
        return row >= 0 && row < int(rows.size()) && col >= 0 && col < cols;
    }
    const FlexCell &cell(int row, int col) const { return rows[size_t(row)].cells[size_t(col)]; }
    FlexCell &cell(int row, int col) { return rows[size_t(row)].cells[size_t(col)]; }

    static bool isFixed(int row, int col) { return row == 0 || col == 0; }

    long foreAt(int row, int col) const
    {
        const qint32 fore = cell(row, col).fore;
        return fore == kUnset ? kGridBlack : long(fore);
    }
    long backAt(int row, int col) const
    {
        if (row == highlightRow && col >= highlightFirst && col <= highlightLast)
            return highlightColor;
        const qint32 back = cell(row, col).back;
        if (back != kUnset)
            return long(back);
        return isFixed(row, col) ? kFixedGrey : kGridWhite;
    }
    int alignAt(int row, int col) const
    {
        const quint8 align = cell(row, col).align;
        return align == kAlignUnset || align == 9 ? int(FlexGrid::LeftCenter) : int(align);
    }

    // Something in grid cell (row, col) changed; tell the views.
    void touch(int row, int col)
    {
        if (col >= columnCount())
            return;
        if (row == 0) {
            emit headerDataChanged(Qt::Horizontal, col, col);
            return;
        }
        const int r = row - 1;
        if (!dirty) {
            dirty = true;
            dirtyTop = dirtyBottom = r;
            dirtyLeft = dirtyRight = col;
            QMetaObject::invokeMethod(this, [this] { flush(); }, Qt::QueuedConnection);
            return;
        }
        dirtyTop = std::min(dirtyTop, r);
        dirtyBottom = std::max(dirtyBottom, r);
        dirtyLeft = std::min(dirtyLeft, col);
        dirtyRight = std::max(dirtyRight, col);
    }

    void flush()
    {
        if (!dirty)
            return;
        dirty = false;
        const int lastRow = rowCount() - 1;
        const int lastCol = columnCount() - 1;
        const int bottom = std::min(dirtyBottom, lastRow);
        const int right = std::min(dirtyRight, lastCol);
        if (dirtyTop > bottom || dirtyLeft > right)
            return;
        emit dataChanged(index(dirtyTop, dirtyLeft), index(bottom, right),
                         {Qt::DisplayRole, Qt::TextAlignmentRole, Qt::ForegroundRole,
                          Qt::BackgroundRole});
    }

    void setRowCount(int newRows)
    {
        const int old = int(rows.size());
        if (newRows == old)
            return;
        if (newRows > old) {
            beginInsertRows(QModelIndex(), old - 1, newRows - 2);
            resizeStore(newRows, cols);
            endInsertRows();
        } else {
            beginRemoveRows(QModelIndex(), newRows - 1, old - 2);
            resizeStore(newRows, cols);
            endRemoveRows();
        }
    }

    void setColumnCount(int newCols)
    {
        if (newCols == cols)
            return;
        std::vector<int> widths = colTwips;
        widths.resize(size_t(newCols), kDefaultColTwips);
        changeShownCols(shownCols(widths, newCols), [&] { resizeStore(int(rows.size()), newCols); });
    }

    void setColTwips(int col, int twips)
    {
        std::vector<int> widths = colTwips;
        widths[size_t(col)] = twips;
        changeShownCols(shownCols(widths, cols), [&] { colTwips[size_t(col)] = twips; });
    }

    // Runs `change`, which leaves `after` columns shown, inside the model's
    // column signals.
    void changeShownCols(int after, const std::function<void()> &change)
    {
        const int before = columnCount();
        if (after > before) {
            beginInsertColumns(QModelIndex(), before, after - 1);
            change();
            endInsertColumns();
        } else if (after < before) {
            beginRemoveColumns(QModelIndex(), after, before - 1);
            change();
            endRemoveColumns();
        } else {
            change();
        }
    }

    QString textAt(int row, int col) const
    {
        if (col == 0 && row >= 1 && row <= numberedRows)
            return QLatin1Char(' ') + QString::number(row);
        return cell(row, col).text;
    }

    void insertAt(int row, int count)
    {
        beginInsertRows(QModelIndex(), row - 1, row + count - 2);
        FlexRow blank;
        blank.cells.resize(size_t(cols));
        rows.insert(rows.begin() + row, size_t(count), blank);
        endInsertRows();
    }

    void removeAt(int row, int count)
    {
        beginRemoveRows(QModelIndex(), row - 1, row + count - 2);
        rows.erase(rows.begin() + row, rows.begin() + row + count);
        endRemoveRows();
    }

    // Tells the views that a whole column changed (the row numbers).
    void touchColumn(int col, int firstRow, int lastRow)
    {
        if (firstRow <= lastRow)
            emit dataChanged(index(firstRow - 1, col), index(lastRow - 1, col), {Qt::DisplayRole});
    }

    std::vector<FlexRow> rows;
    std::vector<int> colTwips;
    int cols = 0;
    int numberedRows = 0;
    int highlightRow = 0, highlightFirst = 0, highlightLast = -1;
    long highlightColor = 0;
    const QWidget *view = nullptr; // whose palette the colours are shown in

private:
    QVariant cellData(int row, int col, int role) const
    {
        switch (role) {
        case Qt::DisplayRole:
            return textAt(row, col);
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(qtAlignment(alignAt(row, col)));
        case Qt::ForegroundRole: {
            const QColor designed = vbColor(foreAt(row, col));
            if (!darkTheme())
                return QBrush(designed);
            // Shown against what is behind the text, so that it stays readable.
            const QPalette &pal = view->palette();
            const QColor behind = row == 0 && cell(row, col).back == kUnset ? pal.color(QPalette::Button)
                                                                            : shownBackground(row, col);
            const quint64 key = (quint64(designed.rgb()) << 32) | behind.rgb();
            auto it = readableText.constFind(key);
            if (it == readableText.cend())
                it = readableText.insert(key, readableTextColor(designed, behind,
                                                                pal.color(isFixed(row, col) ? QPalette::ButtonText
                                                                                            : QPalette::Text)));
            return QBrush(*it);
        }
        case Qt::BackgroundRole:
            // The header is drawn by the style; only an explicit colour overrides it.
            if (row == 0 && cell(row, col).back == kUnset)
                return {};
            return QBrush(darkTheme() ? shownBackground(row, col) : vbColor(backAt(row, col)));
        default:
            return {};
        }
    }

    // Whether the view's palette is a dark theme's; the colours then need
    // adapting. Decided once per palette, as cells are painted often.
    bool darkTheme() const
    {
        const QPalette &pal = view->palette();
        if (pal.cacheKey() != paletteKey) {
            paletteKey = pal.cacheKey();
            dark = isDarkBackground(pal.color(QPalette::Base)) || isDarkBackground(pal.color(QPalette::Button));
            readableText.clear();
        }
        return dark;
    }

    QColor shownBackground(int row, int col) const
    {
        return cellBackgroundColor(vbColor(backAt(row, col)), view->palette(), isFixed(row, col));
    }

    void resizeStore(int newRows, int newCols)
    {
        if (newCols != cols) {
            for (FlexRow &row : rows)
                row.cells.resize(size_t(newCols));
            colTwips.resize(size_t(newCols), kDefaultColTwips);
            cols = newCols;
        }
        const size_t oldRows = rows.size();
        rows.resize(size_t(newRows));
        for (size_t r = oldRows; r < rows.size(); ++r)
            rows[r].cells.resize(size_t(cols));
    }

    mutable qint64 paletteKey = 0;
    mutable bool dark = false;
    mutable QHash<quint64, QColor> readableText; // (designed, background) -> shown, for the current palette

    bool dirty = false;
    int dirtyTop = 0, dirtyBottom = 0, dirtyLeft = 0, dirtyRight = 0;
};

QColor vbColor(long rgb)
{
    return QColor(int(rgb & 0xFF), int((rgb >> 8) & 0xFF), int((rgb >> 16) & 0xFF));
}

FlexGrid::FlexGrid(QWidget *parent) : QTableView(parent), m_model(std::make_unique<FlexGridModel>())
{
    m_model->view = this;
    setModel(m_model.get());
    setItemDelegate(new FlexGridDelegate(this));
    setSelectionMode(NoSelection);
    setEditTriggers(NoEditTriggers);
    setTabKeyNavigation(false);
    // A press on a half-visible bottom row must not scroll it into view:
    // the release would then land on another cell.
    setAutoScroll(false);
    // Whole rows scroll, so the first visible row is always a complete one.
    setVerticalScrollMode(ScrollPerItem);
    setHorizontalScrollMode(ScrollPerPixel);
    setCornerButtonEnabled(false);
    QTableView::setWordWrap(false);

    QHeaderView *vh = verticalHeader();
    vh->hide();
    vh->setMinimumSectionSize(0);
    vh->setSectionResizeMode(QHeaderView::Fixed);
    vh->setDefaultSectionSize(twipsToPixels(kDefaultRowTwips, this));

    QHeaderView *hh = horizontalHeader();
    hh->setMinimumSectionSize(0);
    hh->setSectionResizeMode(QHeaderView::Fixed);
    hh->setSectionsClickable(false);
    hh->setHighlightSections(false);
    hh->setStretchLastSection(false);
    hh->setDefaultSectionSize(twipsToPixels(kDefaultColTwips, this));
    hh->setFixedHeight(twipsToPixels(kDefaultRowTwips, this));
    hh->viewport()->installEventFilter(this);

    for (int c = 0; c < m_model->cols; ++c)
        hh->resizeSection(c, twipsToPixels(kDefaultColTwips, this));

    // Connected after QAbstractScrollArea's own handler, so the view has
    // already moved when Scroll is emitted.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit Scroll(); });
}

FlexGrid::~FlexGrid()
{
    // Detach before the store goes, so the view never sees a dying model.
    // Detaching resets a scrolled grid, which must not report a Scroll to
    // a sheet that is being destroyed around it.
    blockSignals(true);
    setModel(nullptr);
}

int FlexGrid::Rows() const
{
    realize();
    return int(m_model->rows.size());
}

void FlexGrid::insertRows(int row, int count)
{
    realize();
    if (count <= 0 || row < 1 || row > Rows())
        return;
    m_model->insertAt(row, count);
    // The header gives new sections its default size: the rows' own heights follow.
    for (int r = row; r < row + count; ++r)
        setRowHeight(r, m_model->rows[size_t(r)].heightTwips);
}

void FlexGrid::removeRows(int row, int count)
{
    realize();
    count = std::min(count, Rows() - row);
    if (count <= 0 || row < 1)
        return;
    m_model->removeAt(row, count);
    m_row = std::min(m_row, Rows() - 1);
}

void FlexGrid::setRowNumbers(int count)
{
    const int old = m_model->numberedRows;
    m_model->numberedRows = count;
    // A number is its row's index: only the rows that gained or lost one
    // change (inserted and removed rows repaint what moved below them).
    m_model->touchColumn(0, std::min(old, count) + 1, std::min(std::max(old, count), Rows() - 1));
}

void FlexGrid::setPendingFill(const std::function<void()> &fill)
{
    m_pendingFill = fill;
    if (isVisible())
        realize();
}

void FlexGrid::realize() const
{
    if (!m_pendingFill)
        return;
    // Taken first: the fill writes through the same accessors.
    const std::function<void()> fill = std::move(m_pendingFill);
    m_pendingFill = nullptr;
    fill();
}

void FlexGrid::showEvent(QShowEvent *event)
{
    realize();
    QTableView::showEvent(event);
}

void FlexGrid::moveHighlight(int row)
{
    setHighlight(row, m_model->highlightFirst, m_model->highlightLast, m_model->highlightColor);
}

void FlexGrid::setHighlight(int row, int firstCol, int lastCol, long rgb)
{
    clearHighlight();
    if (row <= 0 || row >= Rows())
        return;
    m_model->highlightRow = m_highlightRow = row;
    m_model->highlightFirst = firstCol;
    m_model->highlightLast = lastCol;
    m_model->highlightColor = rgb & 0xFFFFFF;
    for (int c = firstCol; c <= lastCol; ++c)
        m_model->touch(row, std::min(c, Cols() - 1));
}

void FlexGrid::clearHighlight()
{
    const int row = m_model->highlightRow;
    if (row <= 0)
        return;
    m_model->highlightRow = m_highlightRow = 0;
    if (row < Rows())
        for (int c = m_model->highlightFirst; c <= std::min(m_model->highlightLast, Cols() - 1); ++c)
            m_model->touch(row, c);
}

void FlexGrid::setRows(int rows)
{
    rows = std::max(rows, 1);
    m_model->setRowCount(rows);
    m_row = std::min(m_row, rows - 1);
}

int FlexGrid::Cols() const
{
    return m_model->cols;
}

void FlexGrid::setCols(int cols)
{
    cols = std::max(cols, 1);
    const int shown = m_model->columnCount();
    m_model->setColumnCount(cols);
    for (int c = shown; c < m_model->columnCount(); ++c)
        horizontalHeader()->resizeSection(c, twipsToPixels(m_model->colTwips[size_t(c)], this));
    m_col = std::min(m_col, cols - 1);
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    realize();
    return m_model->valid(row, col) ? m_model->textAt(row, col) : QString();
}

void FlexGrid::setTextMatrix(int row, int col, const QString &text)
{
    if (!m_model->valid(row, col))
        return;
    FlexCell &cell = m_model->cell(row, col);
    if (cell.text == text)
        return;
    cell.text = text;
    m_model->touch(row, col);
}

int FlexGrid::Row() const
{
    return m_row;
}

void FlexGrid::setRow(int row)
{
    if (row >= 0 && row < Rows())
        m_row = row;
}

int FlexGrid::Col() const
{
    return m_col;
}

void FlexGrid::setCol(int col)
{
    if (col >= 0 && col < Cols())
        m_col = col;
}

int FlexGrid::CellAlignment() const
{
    return cellAlignmentAt(m_row, m_col);
}

void FlexGrid::setCellAlignment(int alignment)
{
    if (!m_model->valid(m_row, m_col) || alignment < 0 || alignment > 9)
        return;
    m_model->cell(m_row, m_col).align = quint8(alignment);
    m_model->touch(m_row, m_col);
}

long FlexGrid::CellForeColor() const
{
    return cellForeColorAt(m_row, m_col);
}

void FlexGrid::setCellForeColor(long rgb)
{
    if (!m_model->valid(m_row, m_col))
        return;
    m_model->cell(m_row, m_col).fore = qint32(rgb & 0xFFFFFF);
    m_model->touch(m_row, m_col);
}

long FlexGrid::CellBackColor() const
{
    return cellBackColorAt(m_row, m_col);
}

void FlexGrid::setCellBackColor(long rgb)
{
    if (!m_model->valid(m_row, m_col))
        return;
    m_model->cell(m_row, m_col).back = qint32(rgb & 0xFFFFFF);
    m_model->touch(m_row, m_col);
}

int FlexGrid::cellAlignmentAt(int row, int col) const
{
    realize();
    return m_model->valid(row, col) ? m_model->alignAt(row, col) : int(LeftCenter);
}

long FlexGrid::cellForeColorAt(int row, int col) const
{
    realize();
    return m_model->valid(row, col) ? m_model->foreAt(row, col) : kGridBlack;
}

long FlexGrid::cellBackColorAt(int row, int col) const
{
    realize();
    return m_model->valid(row, col) ? m_model->backAt(row, col) : kGridWhite;
}

bool FlexGrid::WordWrap() const
{
    return m_wordWrap;
}

void FlexGrid::setWordWrap(bool on)
{
    m_wordWrap = on;
    QTableView::setWordWrap(on);
}

int FlexGrid::ColWidth(int col) const
{
    if (col < 0 || col >= Cols())
        return 0;
    return m_model->colTwips[size_t(col)];
}

void FlexGrid::setColWidth(int col, int twips)
{
    if (col < 0 || col >= Cols())
        return;
    if (twips < 0)
        twips = kDefaultColTwips;
    // The width is kept as given, so reading it back does not drift by the
    // rounding to whole pixels.
    const int shown = m_model->columnCount();
    m_model->setColTwips(col, twips);
    if (col < shown)
        horizontalHeader()->resizeSection(col, twipsToPixels(twips, this));
    // Columns shown again (a width for one of the right-hand columns of width 0) take their widths.
    for (int c = shown; c < m_model->columnCount(); ++c)
        horizontalHeader()->resizeSection(c, twipsToPixels(m_model->colTwips[size_t(c)], this));
}

int FlexGrid::RowHeight(int row) const
{
    realize();
    if (row < 0 || row >= Rows())
        return 0;
    return m_model->rows[size_t(row)].heightTwips;
}

void FlexGrid::setRowHeight(int row, int twips)
{
    if (row < 0 || row >= Rows())
        return;
    if (twips < 0)
        twips = kDefaultRowTwips;
    m_model->rows[size_t(row)].heightTwips = twips;
    const int px = twipsToPixels(twips, this);
    if (row == 0) {
        horizontalHeader()->setFixedHeight(px);
        updateGeometries();
        return;
    }
    QHeaderView *vh = verticalHeader();
    if (vh->sectionSize(row - 1) == px)
        return;
    // With updates on, the header works out the section's on-screen position
    // after every resize, which walks all rows: filling a large grid row by
    // row would turn quadratic. The view repaints after the resize anyway.
    const bool updates = vh->updatesEnabled();
    vh->setUpdatesEnabled(false);
    vh->resizeSection(row - 1, px);
    vh->setUpdatesEnabled(updates);
    viewport()->update();
}

void FlexGrid::syncLayout() const
{
    realize();
    // Pending row or header changes must be laid out before positions are read.
    const_cast<FlexGrid *>(this)->executeDelayedItemsLayout();
}

int FlexGrid::TopRow() const
{
    syncLayout();
    // Rows scroll whole, so the scroll position counts the rows above the view.
    return verticalScrollBar()->value() + 1;
}

void FlexGrid::setTopRow(int row)
{
    syncLayout();
    verticalScrollBar()->setValue(std::max(row, 1) - 1);
}

bool FlexGrid::ensureRowVisible(int row)
{
    if (row <= 0 || row >= Rows())
        return false;
    syncLayout();
    const int top = rowViewportPosition(row - 1);
    if (top >= 0 && top + rowHeight(row - 1) <= viewport()->height())
        return false;
    const int before = verticalScrollBar()->value();
    scrollTo(m_model->index(row - 1, std::clamp(m_keyCol, 0, Cols() - 1)), EnsureVisible);
    return verticalScrollBar()->value() != before;
}

bool FlexGrid::rowInView(int row) const
{
    if (row <= 0 || row >= Rows())
        return false;
    syncLayout();
    const int top = rowViewportPosition(row - 1);
    return top >= 0 && top < viewport()->height();
}

int FlexGrid::CellLeft() const
{
    syncLayout();
    const int x = viewport()->geometry().left() + columnViewportPosition(m_col);
    return pixelsToTwips(x, this);
}

int FlexGrid::CellTop() const
{
    syncLayout();
    if (m_row <= 0)
        return pixelsToTwips(horizontalHeader()->geometry().top(), this);
    const int y = viewport()->geometry().top() + rowViewportPosition(m_row - 1);
    return pixelsToTwips(y, this);
}

int FlexGrid::Left() const
{
    return pixelsToTwips(x(), this);
}

int FlexGrid::Top() const
{
    return pixelsToTwips(y(), this);
}

int FlexGrid::Width() const
{
    return pixelsToTwips(width(), this);
}

int FlexGrid::Height() const
{
    return pixelsToTwips(height(), this);
}

void FlexGrid::setTwipsGeometry(int left, int top, int width, int height)
{
    setGeometry(twipsToPixels(left, this), twipsToPixels(top, this), twipsToPixels(width, this),
                twipsToPixels(height, this));
}

void FlexGrid::clickCell(int row, int col)
{
    if (row > 0)
        setKeyCell(row, col);
    setRow(row);
    setCol(col);
    emit Click();
}

void FlexGrid::setKeyCell(int row, int col)
{
    const int newRow = std::clamp(row, 1, std::max(1, Rows() - 1));
    const int newCol = std::clamp(col, 1, std::max(1, Cols() - 1));
    if (newRow == m_keyRow && newCol == m_keyCol)
        return;
    updateKeyCell();
    m_keyRow = newRow;
    m_keyCol = newCol;
    updateKeyCell();
}

// Only the cursor's cell: a whole viewport of cells costs milliseconds to
// paint, and the cursor moves on every click.
void FlexGrid::updateKeyCell()
{
    viewport()->update(keyCellInViewport());
}

QRect FlexGrid::keyCellRect() const
{
    const QRect cell = keyCellInViewport();
    return cell.isEmpty() ? QRect() : cell.translated(viewport()->geometry().topLeft());
}

QRect FlexGrid::keyCellInViewport() const
{
    if (m_keyRow >= Rows() || m_keyCol >= Cols())
        return {};
    syncLayout();
    return visualRect(m_model->index(m_keyRow - 1, m_keyCol));
}

void FlexGrid::paintEvent(QPaintEvent *event)
{
    realize();
    QTableView::paintEvent(event);
    if (!hasFocus() || m_keyRow >= Rows() || m_keyCol >= Cols())
        return;
    // The keyboard cursor: a frame around its cell while the grid has the focus.
    const QRect r = visualRect(m_model->index(m_keyRow - 1, m_keyCol)).adjusted(1, 1, -2, -2);
    if (!r.isValid())
        return;
    QPainter p(viewport());
    p.setPen(QPen(palette().color(QPalette::Highlight), 2));
    p.drawRect(r);
}

// QTableView repaints the whole grid, frame and viewport, when the focus comes
// or goes, and the focus moves between the grid and the panel's editors on
// every click; here only the cursor's frame depends on the focus. The view's
// own handling still runs, with its repaint requests dropped: setting the
// attribute directly (not setUpdatesEnabled) schedules no repaint of its own.
class FlexGrid::QuietRepaints {
public:
    explicit QuietRepaints(FlexGrid *grid) : m_widgets{grid, grid->viewport()}
    {
        for (int i = 0; i < 2; ++i) {
            m_was[i] = m_widgets[i]->testAttribute(Qt::WA_UpdatesDisabled);
            m_widgets[i]->setAttribute(Qt::WA_UpdatesDisabled, true);
        }
    }
    ~QuietRepaints()
    {
        for (int i = 0; i < 2; ++i)
            m_widgets[i]->setAttribute(Qt::WA_UpdatesDisabled, m_was[i]);
    }
    QuietRepaints(const QuietRepaints &) = delete;
    QuietRepaints &operator=(const QuietRepaints &) = delete;

private:
    QWidget *m_widgets[2];
    bool m_was[2] = {false, false};
};

void FlexGrid::focusInEvent(QFocusEvent *event)
{
    {
        const QuietRepaints quiet(this);
        QTableView::focusInEvent(event);
    }
    updateKeyCell();
}

void FlexGrid::focusOutEvent(QFocusEvent *event)
{
    {
        const QuietRepaints quiet(this);
        QTableView::focusOutEvent(event);
    }
    updateKeyCell();
}

void FlexGrid::mousePressEvent(QMouseEvent *event)
{
    QTableView::mousePressEvent(event);
    m_pressRow = m_pressCol = -1;
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid()) {
        m_pressRow = index.row() + 1;
        m_pressCol = index.column();
    }
}

void FlexGrid::mouseReleaseEvent(QMouseEvent *event)
{
    QTableView::mouseReleaseEvent(event);
    const int row = m_pressRow;
    const int col = m_pressCol;
    m_pressRow = m_pressCol = -1;
    if (event->button() != Qt::LeftButton || row < 0)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (index.isValid() && index.row() + 1 == row && index.column() == col)
        clickCell(row, col);
}

void FlexGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    // The first click of a double click has already been reported; the
    // second press must not report another.
    m_pressRow = m_pressCol = -1;
    QTableView::mouseDoubleClickEvent(event);
    m_pressRow = m_pressCol = -1;
}

int FlexGrid::visibleCol(int col, int step) const
{
    while (col >= 1 && col < Cols() && ColWidth(col) == 0)
        col += step;
    return col;
}

// Tab on the selected (highlighted) row goes on to the row's next cell, as
// Tab in a cell's editor does; past its last cell the focus moves on.
bool FlexGrid::focusNextPrevChild(bool next)
{
    const int col = visibleCol(m_keyCol + (next ? 1 : -1), next ? 1 : -1);
    if (hasFocus() && m_keyRow > 0 && m_keyRow == m_highlightRow && col >= 1 && col < Cols()) {
        clickCell(m_keyRow, col);
        return true;
    }
    return QTableView::focusNextPrevChild(next);
}

void FlexGrid::keyPressEvent(QKeyEvent *event)
{
    // The keyboard cursor moves over the data cells (the program selects
    // rows itself); Enter, Space or F2 clicks the cell under it.
    const int page = std::max(1, viewport()->height() / std::max(1, rowHeight(0)));
    int row = m_keyRow;
    int col = m_keyCol;
    switch (event->key()) {
    case Qt::Key_Up: --row; break;
    case Qt::Key_Down: ++row; break;
    case Qt::Key_PageUp: row -= page; break;
    case Qt::Key_PageDown: row += page; break;
    case Qt::Key_Home: row = 1; break;
    case Qt::Key_End: row = m_lastKeyRow > 0 ? m_lastKeyRow : Rows() - 1; break;
    case Qt::Key_Left: col = visibleCol(col - 1, -1); break;
    case Qt::Key_Right: col = visibleCol(col + 1, 1); break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
    case Qt::Key_F2:
        event->accept();
        clickCell(m_keyRow, m_keyCol);
        return;
    default:
        QTableView::keyPressEvent(event);
        return;
    }
    if (col < 1 || col >= Cols())
        col = m_keyCol;
    setKeyCell(row, col);
    if (m_keyRow < Rows())
        scrollTo(m_model->index(m_keyRow - 1, m_keyCol));
    event->accept();
}

bool FlexGrid::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == horizontalHeader()->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress: {
            auto *me = static_cast<QMouseEvent *>(event);
            m_headerPressCol = me->button() == Qt::LeftButton
                ? horizontalHeader()->logicalIndexAt(me->position().toPoint())
                : -1;
            break;
        }
        case QEvent::MouseButtonRelease: {
            auto *me = static_cast<QMouseEvent *>(event);
            const int col = m_headerPressCol;
            m_headerPressCol = -1;
            if (me->button() == Qt::LeftButton && col >= 0
                && horizontalHeader()->logicalIndexAt(me->position().toPoint()) == col)
                clickCell(0, col);
            break;
        }
        case QEvent::MouseButtonDblClick:
            m_headerPressCol = -1;
            break;
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}
