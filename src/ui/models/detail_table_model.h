// The detail lines of one expense as the detail window's grid shows them.
// A line has no key of its own: when the document changes the expense's
// lines, the rows that differ are told (one line put in or taken out, or
// lines changed in place), so that the view keeps its place.
#pragma once

#include "model/document.h"
#include "ui/widgets/grid_table.h"

class DetailTableModel : public GridTable {
public:
    DetailTableModel(Document &doc, qint32 entryKey, QObject *parent = nullptr);

    int selectedRow() const override { return m_selectedRow; }
    void selectRow(int row) override;

private:
    void documentChanged();
    QString text(int row, int col) const override;
    QColor color(int row, int col) const override;
    bool isSelected(int row) const override { return row + 1 == m_selectedRow; }
    void fetchItems(int from, int to) override;
    void dropItems() override { m_lines.clear(); }
    DetailLines linesNow() const;

    Document &m_doc;
    const qint32 m_key;
    DetailLines m_lines; // as fetched
    int m_selectedRow = 0;
};
