#pragma once

#include <QColor>
#include <QTableView>
#include <functional>
#include <memory>

class FlexGridModel;

// The grid control every table on screen uses. It offers the operations the
// windows rely on, with positions and sizes in twips and colours as RGB
// values in the platform's long form (red in the low byte: 255 is red,
// 16777215 white). Row 0 is the fixed header row and column 0 the fixed
// left column. The grid is display-only: the user clicks cells, the program
// writes them; nothing is edited in place. Cells live in a plain cell store
// behind a QTableView, so large grids fill quickly.
class FlexGrid : public QTableView {
    Q_OBJECT
public:
    enum Alignment { LeftCenter = 1, CenterCenter = 4, RightCenter = 7 };

    explicit FlexGrid(QWidget *parent = nullptr);
    ~FlexGrid() override;

    int Rows() const;
    void setRows(int rows);  // raising adds empty rows at the bottom, lowering drops rows there
    // Empty rows put in before `row`, and rows taken out, with everything
    // below moving along (cells, formats, heights): what an entry list's
    // view does when one entry comes or goes, without writing every row.
    void insertRows(int row, int count);
    void removeRows(int row, int count);
    // Column 0 of rows 1 to `count` shows the row's number (" 12") whatever
    // is written there, so that rows moving along keep their numbers.
    void setRowNumbers(int count);
    // A fill that runs when the grid is first shown or read, not before:
    // a sheet nobody looks at costs nothing. Replaces a fill still pending.
    void setPendingFill(const std::function<void()> &fill);
    bool fillPending() const { return bool(m_pendingFill); }
    // Runs a pending fill now.
    void realize() const;
    int Cols() const;
    void setCols(int cols);

    QString TextMatrix(int row, int col) const;
    void setTextMatrix(int row, int col, const QString &text);

    // The current cell; the cell formats below act on it.
    int Row() const;
    void setRow(int row);
    int Col() const;
    void setCol(int col);

    int CellAlignment() const;
    void setCellAlignment(int alignment);
    long CellForeColor() const;
    void setCellForeColor(long rgb);
    long CellBackColor() const;
    void setCellBackColor(long rgb);
    // The selected row's background over columns [firstCol, lastCol]; it
    // stays with its row number (the owner moves it with its entry).
    void setHighlight(int row, int firstCol, int lastCol, long rgb);
    void clearHighlight();
    int highlightRow() const { return m_highlightRow; }
    // The highlight, its columns and colour as they are, to another row (0: none).
    void moveHighlight(int row);
    // Format of any cell, for tests and for code that does not move the current cell.
    int cellAlignmentAt(int row, int col) const;
    long cellForeColorAt(int row, int col) const;
    long cellBackColorAt(int row, int col) const;

    bool WordWrap() const;
    void setWordWrap(bool on);

    int ColWidth(int col) const;       // twips
    void setColWidth(int col, int twips);
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
    // The row End moves the keyboard cursor to (0: the last row).
    void setLastKeyRow(int row) { m_lastKeyRow = row; }

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
    void showEvent(QShowEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void syncLayout() const;
    void updateKeyCell();
    QRect keyCellInViewport() const;
    class QuietRepaints;

    std::unique_ptr<FlexGridModel> m_model;
    int m_row = 0;
    int m_col = 0;
    bool m_wordWrap = false;
    int m_pressRow = -1;        // cell under a left-button press, until its release
    int m_pressCol = -1;
    int m_headerPressCol = -1;  // header section under a left-button press
    int m_keyRow = 1;           // keyboard cursor
    int m_keyCol = 1;
    int m_lastKeyRow = 0;
    int m_highlightRow = 0;
    mutable std::function<void()> m_pendingFill;
    friend class FlexGridModel;
};

// RGB long <-> QColor.
QColor vbColor(long rgb);
constexpr long vbRGB(int r, int g, int b) { return long(r) | (long(g) << 8) | (long(b) << 16); }

// The design's cell colours, defined once for every grid.
constexpr long kGridWhite = vbRGB(255, 255, 255);
constexpr long kGridBlack = vbRGB(0, 0, 0);
constexpr long kGridRed = vbRGB(255, 0, 0);
constexpr long kGridBlue = vbRGB(0, 0, 255);
constexpr long kGridPaleYellow = vbRGB(255, 255, 200);
