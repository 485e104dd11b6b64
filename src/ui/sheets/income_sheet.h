#pragma once

#include "ui/sheets/entry_sheet.h"

class DatePicker;
class FlexGrid;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class UpDown;

// Sheet 1 " 収入元帳": the income grid and its entry panel. Besides the
// article and breakdown, an income has an amount per pupil and a number of
// pupils whose product fills the amount; typing into the amount box makes
// it a plain amount.
class IncomeSheet : public EntrySheet {
    Q_OBJECT
public:
    IncomeSheet(Document &doc, SelectionLists &names, Dialogs &dialogs, QWidget *parent = nullptr);

    static QString helpText();
    QList<QWidget *> cellEditors() const override;

    void perPupilEdited();
    void pupilsEdited();
    void amountChanged();
    void dateChosen() override;

    // Pupils offered for a new income entry and given to the carry-over
    // entries; follows the pupils box.
    qint16 defaultStudents() const { return m_defaultStudents; }
    void setDefaultStudents(qint16 pupils) { m_defaultStudents = pupils; }

protected:
    void clearForIdle() override;
    // The pupils box opens with its spinner beside it.
    void editorOpened(int c, int x, int y) override;
    bool commitEditor(int c) override;
    void loadEntry(const Entry &src, Entry &cur) override;
    void checkBoxes() override;
    bool readBoxes(Entry &cur) override;
    bool recordsByDate() const override { return m_editedCol == 1; }
    void prepareNewRow(int row) override;
    void clearForCancel() override;

private:
    qint16 m_defaultStudents = kDefaultStudents;

    DatePicker *DTPickerIncomeDate = nullptr;
    QComboBox *ComboIncomeArticle = nullptr;
    QComboBox *ComboIncomeSubArticle = nullptr;
    QLineEdit *TextIncomePerPerson = nullptr;
    QLineEdit *TextIncomeStudents = nullptr;
    UpDown *UpDownIncomeStudents = nullptr;
    QLineEdit *TextIncomeAmount = nullptr;
};
