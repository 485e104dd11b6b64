#pragma once

#include "ui/widgets/grid_table.h"

#include <QPointer>
#include <QTableView>
#include <functional>
#include <vector>

class GridPresentation;

// The grid view every table on screen uses, over a GridTable. It offers the
// operations the windows rely on, with positions and sizes in twips. Row 0
// is the header row and column 0 the fixed number column; grid row r is the
// table's row r - 1. The grid is display-only: the user clicks cells, and
// the sheet lays an editor over the clicked one. Rows are as high as the
// wrapped text of the table's wrapping column (numbered rows only).
class FlexGrid : public QTableView {
    Q_OBJECT
public:
    enum Alignment { LeftCenter = 1, CenterCenter = 4, RightCenter = 7 };

    explicit FlexGrid(QWidget *parent = nullptr);
    ~FlexGrid() override;

    // Shows `table` (owned elsewhere); its rows come in as the view needs
    // them. Columns take the table's widths.
    void setTable(GridTable *table);
    GridTable *table() const { return m_table; }

    int Rows() const; // header row included; rows fetched so far
    int Cols() const;
    QString TextMatrix(int row, int col) const;

    // The current cell: the one clicked, or whose editor the sheet places.
    int Row() const;
    void setRow(int row);
    int Col() const;
    void setCol(int col);

    // What a cell shows: its alignment code and designed colours (RGB long).
    int cellAlignmentAt(int row, int col) const;
    long cellForeColorAt(int row, int col) const;
    long cellBackColorAt(int row, int col) const;

    int ColWidth(int col) const;       // twips
    int RowHeight(int row) const;      // twips
    void setRowHeight(int row, int twips);

    int TopRow() const;                // first visible scrolling row (1 when not scrolled)
    void setTopRow(int row);
    // Scrolls a row that is cut off at the bottom (or above the view) fully
    // into view; returns whether the grid scrolled.
    bool ensureRowVisible(int row);
    // Whether some of the row shows in the view (rows are as high as their text).
    bool rowInView(int row) const;
    int CellLeft() const;              // offset of the current cell inside the grid, twips
    int CellTop() const;

    // The grid's own geometry in twips, relative to its parent.
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void setTwipsGeometry(int left, int top, int width, int height);

    // Simulates the user clicking a cell (tests, keyboard): sets Row and Col and emits Click.
    void clickCell(int row, int col);

    // The keyboard cursor: arrow keys move it, Enter, Space or F2 click its
    // cell. It is separate from Row/Col, which the program moves while it
    // formats cells.
    int keyRow() const { return m_keyRow; }
    int keyCol() const { return m_keyCol; }
    void setKeyCell(int row, int col);
    // The cursor's cell in the grid's own coordinates; empty when it is out
    // of the grid.
    QRect keyCellRect() const;

signals:
    void Click();   // Row() and Col() are the clicked cell; the header row gives row 0
    void Scroll();  // TopRow() already has its new value

private:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool focusNextPrevChild(bool next) override;
    // The first column from `col` on, in steps of `step`, that has a width.
    int visibleCol(int col, int step) const;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void syncLayout() const;
    // Rows [first, last] (0-based) take the height of their wrapped text.
    void sizeRows(int first, int last);
    void updateKeyCell();
    QRect keyCellInViewport() const;
    class QuietRepaints;

    // The table's owner may go first (a sheet holds its model as a member,
    // its grid as a child widget): the grid then shows nothing.
    QPointer<GridTable> m_table;
    GridPresentation *m_shown = nullptr; // the table as the view shows it (colours for the palette)
    std::vector<int> m_colTwips;
    int m_wrapCol = -1;
    int m_headerTwips = 240;
    int m_row = 0;
    int m_col = 0;
    int m_pressRow = -1;        // cell under a left-button press, until its release
    int m_pressCol = -1;
    int m_headerPressCol = -1;  // header section under a left-button press
    int m_keyRow = 1;           // keyboard cursor
    int m_keyCol = 1;
};

