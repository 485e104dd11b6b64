#pragma once

#include "ui/main/entry_sheet.h"

class DatePicker;
class FlexGrid;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Sheet 2 " 支出元帳": the expense grid and its entry panel, with receipt
// numbers (each used by one entry at most) and the button that opens the
// detail window for the selected expense.
class SupplySheet : public EntrySheet {
    Q_OBJECT
public:
    SupplySheet(Document &doc, SelectionLists &names, Dialogs &dialogs, QWidget *parent = nullptr);

    static QString helpText();
    void layoutGrid();
    void editFlexGridSupply() { fillGrid(); }
    void MSFlexGridSupply_Click() { gridClick(); }
    void MSFlexGridSupply_Scroll() { gridScroll(); }
    void showSupplyCellEditor(int r, int c) { showCellEditor(r, c); }
    void hideEditors() override;
    void fillReceiptList();

    void CommandSupplyNew_Click() { addRow(); }
    void CommandSupplyRecord_Click() { record(); }
    void CommandSupplyDelete_Click() { deleteRow(); }
    void CommandSupplyCancel_Click() { cancel(); }
    void CommandSupplyDetail_Click();
    void TextSupplyNo_Change() { numberChanged(); }
    void TextSupplyAmount_Change();
    void ComboSupplyReceipt_Change();
    void DTPickerSupplyDate_CloseUp();
    void fillSupplyArticleList() { fillArticleList(); }

    // Set only while a record started by the calendar runs.
    bool supplyDatePicked = false;

    FlexGrid *MSFlexGridSupply = nullptr;
    DatePicker *DTPickerSupplyDate = nullptr;
    QLineEdit *TextSupplyNo = nullptr;
    QComboBox *ComboSupplyReceipt = nullptr;
    QComboBox *ComboSupplyArticle = nullptr;
    QComboBox *ComboSupplySubArticle = nullptr;
    QLineEdit *TextSupplyAmount = nullptr;
    QPushButton *CommandSupplyDetail = nullptr;
    QPushButton *CommandSupplyNew = nullptr;
    QPushButton *CommandSupplyRecord = nullptr;
    QPushButton *CommandSupplyDelete = nullptr;
    QPushButton *CommandSupplyCancel = nullptr;
    QLabel *LabelSupplyHelp = nullptr;
    QLabel *LabelSupplyRest = nullptr;
    QLabel *LabelSupplyRemainder = nullptr;

signals:
    // The detail window is to be opened on the selected expense.
    void detailRequested(const ArticlePtr &entry);

protected:
    void formatNewRow(int r) override;
    void writeFullRow(int r, const MekaluArticle &e) override;
    void writeEveryRefill(int r, const MekaluArticle &e) override;
    void clearForIdle() override;
    void openColumnEditor(int c, int x, int y, const QString &text) override;
    void loadEntry(const MekaluArticle &src, MekaluArticle &cur) override;
    void checkBoxes() override;
    bool readBoxes(MekaluArticle &cur) override;
    bool recordsByDate() const override { return editedCol == 1 && supplyDatePicked; }
    void prepareNewRow(int row) override;
    void clearForCancel() override;
    void selectionMoved() override;
    void rowDeleted() override;

private:
    qint16 m_receipt = 0; // the receipt number read by checkBoxes
};

// The expense grid's date: a four-digit year is shortened to two digits.
QString supplyGridDate(const QString &shortDateText);
