// The model behind every grid: a list shown one item per row in list order,
// a number column first, and blank rows below the list to click into (a
// click there adds an item). What each column is (header, alignment, width)
// is one column table; what an item shows is the subclass's.
//
// Rows come in as a view needs them (fetchMore): an account of tens of
// thousands of entries opens without measuring every row. The items fetched
// are kept as the subclass hands them over, so that a list that changed
// several rows in one go is brought up to date one row change at a time,
// and a view never sees a row before its change is told.
#pragma once

#include <QAbstractTableModel>
#include <QColor>
#include <functional>
#include <vector>

class GridTable : public QAbstractTableModel {
public:
    struct Column {
        QString header;
        Qt::Alignment headerAlign;
        Qt::Alignment align;
        // Twips; a negative width is the grid's width less its magnitude,
        // and that column's text wraps (the row grows to hold it).
        int width;
        // What the user edits the column's cells with, laid over the
        // clicked cell; `editorDrop` twips below the cell's top. An editor
        // of a column with a negative width is as wide as the column.
        enum class Editor { None, Date, Text, Button };
        Editor editor = Editor::None;
        int editorDrop = 0;
    };
    // Blank rows below the list.
    static constexpr int kBlankRows = 99;
    // Rows fetched at a time.
    static constexpr int kFetchRows = 256;

    explicit GridTable(std::vector<Column> columns, QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    bool canFetchMore(const QModelIndex &parent) const override;
    void fetchMore(const QModelIndex &parent) override;

    const std::vector<Column> &columns() const { return m_columns; }
    // Items in the list, fetched or not.
    int itemCount() const { return m_total; }
    // Fetches until grid row `row` (1-based) is there, or every row.
    void fetchUpTo(int row);
    void fetchAll() { fetchUpTo(m_total + kBlankRows); }
    // The selected row (1-based; 0: none), shown in pale yellow.
    virtual int selectedRow() const { return 0; }
    virtual void selectRow(int) {}

protected:
    // The text and the designed text colour (invalid: black) of an item's
    // cell; `row` is 0-based among the items fetched.
    virtual QString text(int row, int col) const = 0;
    virtual QColor color(int, int) const { return {}; }
    virtual bool isSelected(int) const { return false; }
    // What the number column shows for an item.
    virtual QString number(int row) const { return QLatin1Char(' ') + QString::number(row + 1); }
    // Runs before rows are fetched: a list worked out only when first
    // shown sets its count here (setItemCount), while nothing is fetched.
    virtual void prepareFetch() {}
    void setItemCount(int count) { m_total = count; }
    // Hands over items [from, to) of the list as it is now.
    virtual void fetchItems(int from, int to) = 0;
    // Forgets every item fetched.
    virtual void dropItems() = 0;
    int fetched() const { return m_fetched; }

    // The list changed: every item anew (count items), or one item put in,
    // taken out or changed at `row` (0-based) — `store` changes the items
    // kept, if that row was fetched.
    void resetItems(int count);
    void itemInserted(int row, const std::function<void()> &store);
    void itemRemoved(int row, const std::function<void()> &store);
    void itemChanged(int row);

private:
    bool complete() const { return m_fetched == m_total; }
    // The blank rows come once every item is in.
    void showBlankRows();

    std::vector<Column> m_columns;
    int m_total = 0;
    int m_fetched = 0;
    bool m_blankShown = false;
    bool m_changing = false;
};

// The grid's colours, defined once.
constexpr long vbRGB(int r, int g, int b) { return long(r) | (long(g) << 8) | (long(b) << 16); }
constexpr long kGridWhite = vbRGB(255, 255, 255);
constexpr long kGridBlack = vbRGB(0, 0, 0);
constexpr long kGridRed = vbRGB(255, 0, 0);
constexpr long kGridBlue = vbRGB(0, 0, 255);
constexpr long kGridPaleYellow = vbRGB(255, 255, 200);
// RGB long (red in the low byte) <-> QColor.
QColor vbColor(long rgb);
inline long vbLong(const QColor &c) { return vbRGB(c.red(), c.green(), c.blue()); }
// Red for a negative amount; black (invalid) otherwise.
inline QColor amountColor(qint64 amount) { return amount < 0 ? vbColor(kGridRed) : QColor(); }
