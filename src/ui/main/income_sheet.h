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
class UpDown;

// Sheet 1 " 収入元帳": the income grid and its entry panel. A click on a
// cell loads that entry into a working copy and lays the matching editor
// over the cell; recording replaces the list entry by the working copy under
// a new key and refills the grid.
class IncomeSheet : public EntryPanel {
    Q_OBJECT
public:
    IncomeSheet(Module1 &m, frmMain &main, QWidget *parent = nullptr);

    static QString helpText();
    void layoutGrid();
    void editFlexGridIncome();
    void MSFlexGridIncome_Click();
    void MSFlexGridIncome_Scroll();
    void showIncomeCellEditor(int r, int c);
    void hideEditors() override;

    void CommandIncomeNew_Click();
    void CommandIncomeRecord_Click();
    void CommandIncomeDelete_Click();
    void CommandIncomeCancel_Click();
    void TextIncomeNo_Change();
    void TextIncomePerPerson_Change();
    void TextIncomeStudents_Change();
    void TextIncomeAmount_Change();
    void DTPickerIncomeDate_CloseUp();
    void fillIncomeArticleList();

    FlexGrid *MSFlexGridIncome = nullptr;
    DatePicker *DTPickerIncomeDate = nullptr;
    QLineEdit *TextIncomeNo = nullptr;
    QComboBox *ComboIncomeArticle = nullptr;
    QComboBox *ComboIncomeSubArticle = nullptr;
    QLineEdit *TextIncomePerPerson = nullptr;
    QLineEdit *TextIncomeStudents = nullptr;
    UpDown *UpDownIncomeStudents = nullptr;
    QLineEdit *TextIncomeAmount = nullptr;
    QPushButton *CommandIncomeNew = nullptr;
    QPushButton *CommandIncomeRecord = nullptr;
    QPushButton *CommandIncomeDelete = nullptr;
    QPushButton *CommandIncomeCancel = nullptr;
    QLabel *LabelIncomeHelp = nullptr;
    QLabel *LabelIncomeRest = nullptr;
    QLabel *LabelIncomeRemainder = nullptr;

private:
    void validateForRecord();
    Module1 &m;
    frmMain &main;
};
