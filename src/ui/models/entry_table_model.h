// The entries of one kind (income or expense) as their sheet's grid shows
// them, in the document's date order. The document's row changes become
// the model's row signals one by one; the selection is the selected entry's
// key, so that it stays with its entry when a record or an undo moves it.
#pragma once

#include "model/document.h"
#include "ui/widgets/grid_table.h"

class EntryTableModel : public GridTable {
public:
    EntryTableModel(Document &doc, bool income, QObject *parent = nullptr);

    qint32 selectedKey() const { return m_selectedKey; }
    // The entry with `key` (-1: none) shows as selected.
    void selectKey(qint32 key);
    int selectedRow() const override;
    void selectRow(int row) override;

private:
    void documentChanged(const Document::Update &update);
    QString text(int row, int col) const override;
    QColor color(int row, int col) const override;
    bool isSelected(int row) const override { return m_items[size_t(row)]->key == m_selectedKey; }
    void fetchItems(int from, int to) override;
    void dropItems() override { m_items.clear(); }
    // The fetched row showing the entry with `key`, -1 when none does.
    int fetchedRowOf(qint32 key) const;

    Document &m_doc;
    const bool m_income;
    std::vector<EntryPtr> m_items;
    qint32 m_selectedKey = -1;
};

// The expense grid's date: a four-digit year is shortened to two digits.
QString supplyGridDate(const QString &shortDateText);
