#pragma once

#include "ui/sheets/entry_sheet.h"

class DatePicker;
class FlexGrid;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

// Sheet 2 " 支出元帳": the expense grid and its entry panel, with receipt
// numbers (each used by one entry at most) and the button that opens the
// detail window for the selected expense.
class ExpenseSheet : public EntrySheet {
    Q_OBJECT
public:
    ExpenseSheet(Document &doc, SelectionLists &names, Dialogs &dialogs, QWidget *parent = nullptr);

    static QString helpText();
    void fillReceiptList();

    void openDetail();
    void amountChanged();
    // The receipt box's change: only the digit rule runs on every keystroke
    // (a number being typed passes through its prefixes: 18 through 1).
    void receiptNumberEdited();
    // The receipt rule for a complete number (the user left the box or
    // picked a number from its list): the number of another entry brings
    // that entry's date into the date editor, to show whose it is; any
    // other number hides the box.
    void receiptNumberComplete();
    void dateChosen() override;

    // Set only while a record started by the calendar runs.
    bool datePicked() const { return m_datePicked; }
    void setDetailEnabled(bool enabled);

signals:
    // The detail window is to be opened on the selected expense.
    void detailRequested(const EntryPtr &entry);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void changeEvent(QEvent *event) override;
    void clearForIdle() override;
    void fillEditor(int c, QWidget *editor, const QString &text) override;
    bool commitEditor(int c) override;
    void loadEntry(const Entry &src, Entry &cur) override;
    void checkBoxes() override;
    bool readBoxes(Entry &cur) override;
    bool recordsByDate() const override { return m_editedCol == 1 && m_datePicked; }
    void prepareNewRow(int row) override;
    void clearForCancel() override;
    void selectionMoved() override;
    void rowDeleted() override;

private:
    // The date editor showed the working entry's own date before a receipt
    // number of another entry brought that entry's date in; it goes back as
    // soon as the box holds another number (a refused record empties it), so
    // an entry is never recorded under a date taken from a receipt number.
    void giveBackOwnDate();
    qint16 m_receipt = 0;    // the receipt number read by checkBoxes
    bool m_detailOpen = false; // the detail window is open: the window is disabled
    qint16 m_dateOwner = 0;  // receipt number whose entry's date the editor shows; 0: none
    QDate m_ownDate;         // the working entry's date meanwhile
    QDate m_ownerDate;       // the date brought in
    bool m_datePicked = false;

    DatePicker *DTPickerSupplyDate = nullptr;
    QComboBox *ComboSupplyReceipt = nullptr;
    QComboBox *ComboSupplyArticle = nullptr;
    QComboBox *ComboSupplySubArticle = nullptr;
    QLineEdit *TextSupplyAmount = nullptr;
    QPushButton *CommandSupplyDetail = nullptr;
};

