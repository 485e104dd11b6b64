#pragma once

#include "ui/main/entry_panel.h"

class Module1;
class frmMain;
class DatePicker;
class FlexGrid;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Sheet 2 " 支出元帳": the expense grid and its entry panel, with receipt
// numbers (each used by one entry at most) and the button that opens the
// detail window for the selected expense.
class SupplySheet : public EntryPanel {
    Q_OBJECT
public:
    SupplySheet(Module1 &m, frmMain &main, QWidget *parent = nullptr);

    static QString helpText();
    void layoutGrid();
    void editFlexGridSupply();
    void MSFlexGridSupply_Click();
    void MSFlexGridSupply_Scroll();
    void showSupplyCellEditor(int r, int c);
    void hideEditors() override;
    void fillReceiptList();

    void CommandSupplyNew_Click();
    void CommandSupplyRecord_Click();
    void CommandSupplyDelete_Click();
    void CommandSupplyCancel_Click();
    void CommandSupplyDetail_Click();
    void TextSupplyNo_Change();
    void TextSupplyAmount_Change();
    void ComboSupplyReceipt_Change();
    void DTPickerSupplyDate_CloseUp();
    void fillSupplyArticleList();

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

private:
    Module1 &m;
    frmMain &main;
};

// The expense grid's date: a four-digit year is shortened to two digits.
QString supplyGridDate(const QString &shortDateText);
