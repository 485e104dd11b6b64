#include "ui/widgets/flexgrid.h"

#include "ui/widgets/readable_colors.h"
#include "ui/widgets/twips.h"

#include <QIdentityProxyModel>
#include <QEvent>
#include <QHash>
#include <QBrush>
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
// Fixed cells (header row, left column) are painted like a button face.
constexpr long kFixedGrey = vbRGB(240, 240, 240);

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

// The table as the view shows it: the designed colours as they are under a
// light theme, and under a dark one adapted so that text stays readable
// against what is drawn behind it.
class GridPresentation : public QIdentityProxyModel {
public:
    explicit GridPresentation(const QWidget *view) : m_view(view)
    {
        // The number column shows the rows' headers.
        connect(this, &QAbstractItemModel::headerDataChanged, this, [this](Qt::Orientation o, int first, int last) {
            if (o == Qt::Vertical)
                emit dataChanged(index(first, 0), index(last, 0), {Qt::DisplayRole});
        });
    }

    QVariant data(const QModelIndex &index, int role) const override
    {
        if (role == Qt::DisplayRole && index.column() == 0)
            return headerData(index.row(), Qt::Vertical, role);
        if (role != Qt::ForegroundRole && role != Qt::BackgroundRole)
            return QIdentityProxyModel::data(index, role);
        return shown(index.column() == 0, false, role, QIdentityProxyModel::data(index, Qt::ForegroundRole),
                     QIdentityProxyModel::data(index, Qt::BackgroundRole));
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (role != Qt::ForegroundRole && role != Qt::BackgroundRole)
            return QIdentityProxyModel::headerData(section, orientation, role);
        return shown(true, true, role, QIdentityProxyModel::headerData(section, orientation, Qt::ForegroundRole),
                     QIdentityProxyModel::headerData(section, orientation, Qt::BackgroundRole));
    }

private:
    // `fore` and `back` are the designed colours (an invalid background: the
    // fixed cells' grey, or the style's for the header).
    QVariant shown(bool fixed, bool header, int role, const QVariant &fore, const QVariant &back) const
    {
        const QColor designedBack = back.isValid() ? back.value<QColor>() : vbColor(fixed ? kFixedGrey : kGridWhite);
        if (role == Qt::BackgroundRole) {
            // The header is drawn by the style; only an explicit colour overrides it.
            if (header && !back.isValid())
                return {};
            return QBrush(darkTheme() ? cellBackgroundColor(designedBack, m_view->palette(), fixed) : designedBack);
        }
        const QColor designed = fore.isValid() ? fore.value<QColor>() : vbColor(kGridBlack);
        if (!darkTheme())
            return QBrush(designed);
        const QPalette &pal = m_view->palette();
        const QColor behind = header && !back.isValid() ? pal.color(QPalette::Button)
                                                        : cellBackgroundColor(designedBack, pal, fixed);
        const quint64 key = (quint64(designed.rgb()) << 32) | behind.rgb();
        auto it = m_readable.constFind(key);
        if (it == m_readable.cend())
            it = m_readable.insert(key, readableTextColor(designed, behind,
                                                          pal.color(fixed ? QPalette::ButtonText : QPalette::Text)));
        return QBrush(*it);
    }

    // Whether the view's palette is a dark theme's. Decided once per
    // palette, as cells are painted often.
    bool darkTheme() const
    {
        const QPalette &pal = m_view->palette();
        if (pal.cacheKey() != m_paletteKey) {
            m_paletteKey = pal.cacheKey();
            m_dark = isDarkBackground(pal.color(QPalette::Base)) || isDarkBackground(pal.color(QPalette::Button));
            m_readable.clear();
        }
        return m_dark;
    }

    const QWidget *m_view;
    mutable qint64 m_paletteKey = 0;
    mutable bool m_dark = false;
    mutable QHash<quint64, QColor> m_readable; // (designed, background) -> shown, for the current palette
};

FlexGrid::FlexGrid(QWidget *parent) : QTableView(parent), m_shown(new GridPresentation(this))
{
    m_shown->setParent(this);
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
    setWordWrap(true);

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

    // Connected after QAbstractScrollArea's own handler, so the view has
    // already moved when Scroll is emitted.
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { emit Scroll(); });
}

FlexGrid::~FlexGrid()
{
    // Detaching resets a scrolled grid, which must not report a Scroll to
    // a sheet that is being destroyed around it.
    blockSignals(true);
    setModel(nullptr);
}

void FlexGrid::setTable(GridTable *table)
{
    if (m_table) {
        setModel(nullptr);
        disconnect(m_table, nullptr, this, nullptr);
    }
    m_shown->setSourceModel(nullptr);
    m_table = table;
    m_colTwips.clear();
    m_wrapCol = -1;
    if (!table)
        return;
    const std::vector<GridTable::Column> &columns = table->columns();
    for (size_t c = 0; c < columns.size(); ++c) {
        const int width = columns[c].width;
        if (width < 0)
            m_wrapCol = int(c);
        m_colTwips.push_back(width < 0 ? Width() + width : width);
    }
    m_shown->setSourceModel(m_table);
    setModel(m_shown);
    for (size_t c = 0; c < m_colTwips.size(); ++c)
        horizontalHeader()->resizeSection(int(c), twipsToPixels(m_colTwips[c], this));
    connect(m_table, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { sizeRows(first, last); });
    connect(m_table, &QAbstractItemModel::modelReset, this, [this] { sizeRows(0, m_table->rowCount() - 1); });
    connect(m_table, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &from, const QModelIndex &to) {
        if (from.column() <= m_wrapCol && to.column() >= m_wrapCol)
            sizeRows(from.row(), to.row());
    });
    sizeRows(0, m_table->rowCount() - 1);
    // The first rows, as a view shown asks for them anyway.
    m_table->fetchMore(QModelIndex());
}

void FlexGrid::sizeRows(int first, int last)
{
    // With updates on, the header works out the section's on-screen position
    // after every resize, which walks all rows: sizing rows one by one
    // would turn quadratic. The view repaints after the resize anyway.
    QHeaderView *vh = verticalHeader();
    const bool updates = vh->updatesEnabled();
    vh->setUpdatesEnabled(false);
    for (int r = first; r <= last; ++r)
        vh->resizeSection(r, twipsToPixels(RowHeight(r + 1), this));
    vh->setUpdatesEnabled(updates);
    viewport()->update();
}

void FlexGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    // Wrapped text takes another number of lines in another font.
    if (event->type() == QEvent::FontChange && m_table)
        sizeRows(0, m_table->rowCount() - 1);
}

int FlexGrid::Rows() const
{
    return m_table ? m_table->rowCount() + 1 : 1;
}

int FlexGrid::Cols() const
{
    return int(m_colTwips.size());
}

QString FlexGrid::TextMatrix(int row, int col) const
{
    if (!m_table || col < 0 || col >= Cols() || row < 0)
        return {};
    if (row == 0)
        return m_table->headerData(col, Qt::Horizontal, Qt::DisplayRole).toString();
    m_table->fetchUpTo(row);
    return m_shown->index(row - 1, col).data().toString();
}

int FlexGrid::Row() const
{
    return m_row;
}

void FlexGrid::setRow(int row)
{
    if (m_table)
        m_table->fetchUpTo(row);
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

int FlexGrid::cellAlignmentAt(int row, int col) const
{
    TextMatrix(row, col); // fetched
    if (!m_table)
        return LeftCenter;
    // A cell outside the table has no alignment: left.
    const QVariant a = row == 0 ? m_table->headerData(col, Qt::Horizontal, Qt::TextAlignmentRole)
                                : m_table->index(row - 1, col).data(Qt::TextAlignmentRole);
    const Qt::Alignment h = a.value<Qt::Alignment>() & Qt::AlignHorizontal_Mask;
    return h & Qt::AlignRight ? RightCenter : h & Qt::AlignHCenter ? CenterCenter : LeftCenter;
}

long FlexGrid::cellForeColorAt(int row, int col) const
{
    TextMatrix(row, col);
    if (!m_table || row < 1 || row >= Rows() || col < 0 || col >= Cols())
        return kGridBlack;
    return vbLong(m_table->index(row - 1, col).data(Qt::ForegroundRole).value<QColor>());
}

long FlexGrid::cellBackColorAt(int row, int col) const
{
    TextMatrix(row, col);
    if (!m_table || row < 1 || row >= Rows() || col < 0 || col >= Cols())
        return kGridWhite;
    const QVariant back = m_table->index(row - 1, col).data(Qt::BackgroundRole);
    return back.isValid() ? vbLong(back.value<QColor>()) : (col == 0 ? kFixedGrey : kGridWhite);
}

int FlexGrid::ColWidth(int col) const
{
    return col >= 0 && col < Cols() ? m_colTwips[size_t(col)] : 0;
}

int FlexGrid::RowHeight(int row) const
{
    if (row == 0)
        return m_headerTwips;
    if (m_table)
        m_table->fetchUpTo(row);
    if (!m_table || row < 0 || row >= Rows())
        return 0;
    // A numbered row is as high as the lines of its wrapped text, each as
    // high as the header; the blank rows and a totals row keep the default.
    if (m_wrapCol < 0 || m_table->headerData(row - 1, Qt::Vertical, Qt::DisplayRole).toString().isEmpty())
        return kDefaultRowTwips;
    return wrappedRowHeight(font(), m_table->index(row - 1, m_wrapCol).data().toString(), ColWidth(m_wrapCol),
                            m_headerTwips, this);
}

void FlexGrid::setRowHeight(int row, int twips)
{
    // The header's height: the line height of every wrapped row.
    if (row != 0)
        return;
    m_headerTwips = twips;
    horizontalHeader()->setFixedHeight(twipsToPixels(twips, this));
    updateGeometries();
}

void FlexGrid::syncLayout() const
{
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
    if (m_table)
        m_table->fetchUpTo(row);
    if (row <= 0 || row >= Rows())
        return false;
    syncLayout();
    const int top = rowViewportPosition(row - 1);
    if (top >= 0 && top + rowHeight(row - 1) <= viewport()->height())
        return false;
    const int before = verticalScrollBar()->value();
    scrollTo(model()->index(row - 1, std::clamp(m_keyCol, 0, Cols() - 1)), EnsureVisible);
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
    return visualRect(model()->index(m_keyRow - 1, m_keyCol));
}

void FlexGrid::paintEvent(QPaintEvent *event)
{
    QTableView::paintEvent(event);
    if (!hasFocus() || m_keyRow >= Rows() || m_keyCol >= Cols())
        return;
    // The keyboard cursor: a frame around its cell while the grid has the focus.
    const QRect r = visualRect(model()->index(m_keyRow - 1, m_keyCol)).adjusted(1, 1, -2, -2);
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
    if (hasFocus() && m_keyRow > 0 && m_table && m_keyRow == m_table->selectedRow() && col >= 1 && col < Cols()) {
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
    case Qt::Key_End:
        // The row below the last item, where a new one is added.
        if (m_table)
            m_table->fetchAll();
        row = m_table ? m_table->itemCount() + 1 : 1;
        break;
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
    if (m_table)
        m_table->fetchUpTo(row);
    setKeyCell(row, col);
    if (m_keyRow < Rows())
        scrollTo(model()->index(m_keyRow - 1, m_keyCol));
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
