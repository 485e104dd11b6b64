#pragma once

#include "model/periods.h"
#include "print/print_settings.h"

#include <QWidget>
#include <array>

class Document;
class QDate;
class QButtonGroup;
class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QRadioButton;
class DatePicker;

// Sheet 0 " 印刷設定": the account title, the school fields, the ledger and
// report format options and the kind of printout. The title fields edit the
// document's title (each edit is a change to save); the format options and
// the kind of printout belong to the sheet. The printouts read everything
// at the moment they run (settings()).
class PrintSettingsSheet : public QWidget {
    Q_OBJECT
public:
    PrintSettingsSheet(Document &doc, QWidget *parent = nullptr);

    PrintSettings settings() const;
    // Shows a title in the fields (a file was opened or closed, an undo);
    // fields that already show it are left alone.
    void showTitle(const AccountTitle &title);
    // The selected printout, 1-12 (optPrint index + 1).
    qint16 printKind() const { return m_printKind; }
    Printout printout() const { return Printout::fromKind(m_printKind); }
    // The date the report is dated (the report's date box).
    void setPrintDate(const QDate &date);

    void titleKindChosen(int index);
    void printKindChosen(int index);
    // Selects a title option as the program does (runs titleKindChosen).
    void selectTitleMode(int index);
    bool classAccountMode() const;

private:
    // A field the user edited: the document's title takes its value.
    void fieldEdited();
    Document &m_doc;
    qint16 m_printKind = 11;

    QGroupBox *FrameHome = nullptr;
    // The title's fields, each with its label.
    std::array<std::pair<QLabel *, QWidget *>, 8> m_titleFields{};
    std::array<QRadioButton *, 2> optTitle{};
    QLineEdit *TextSchoolName = nullptr;
    QComboBox *ComboYearHome = nullptr;
    QComboBox *ComboGradeHome = nullptr;
    QComboBox *ComboRoomHome = nullptr;
    QLineEdit *TextChargeHome = nullptr;
    QLineEdit *TextTitle = nullptr;
    QLineEdit *TextReporter = nullptr;
    QLineEdit *TextCarryOver = nullptr;
    QGroupBox *FrameLedgerForm = nullptr;
    QCheckBox *CheckPrintCarry = nullptr;
    QGroupBox *FrameReportForm = nullptr;
    QComboBox *ComboPrintRespect = nullptr;
    DatePicker *DTPickerPrintDate = nullptr;
    QLabel *LabelReportColumn = nullptr;
    QRadioButton *OptionAltColumn1 = nullptr;
    QRadioButton *OptionAltColumn2 = nullptr;
    QGroupBox *frmPrint = nullptr;
    std::array<QRadioButton *, 12> optPrint{};
    QLabel *LabelCommentHome = nullptr;
};
