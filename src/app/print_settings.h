#pragma once

#include <QDate>
#include <QString>

// What the print settings sheet holds at a given moment: the title fields,
// the carry-over name and the two format options. The sheet produces it on
// demand so the summaries and printouts always read the current controls.
struct PrintSettings {
    bool classAccountMode = true; // optTiTle(0) "学級の会計"
    QString schoolName;           // TextSchoolName
    QString schoolYear;           // ComboYearHome
    QString grade;                // ComboGradeHome
    QString room;                 // ComboRoomHome
    QString charge;               // TextChargeHome
    QString title;                // TextTlTle
    QString reporter;             // TextReporter
    QString carryOverName;        // TextCarryOver
    bool printCarry = false;      // CheckPrintCarry
    QString respect = QStringLiteral("保護者各位"); // ComboPrintRespect
    QDate printDate;              // DTPickerPrintDate
    bool oneColumn = false;       // OptionAltColumn1(0) "1行"

    // The article of the carry-over entries when the other-account title
    // gives one; empty means the default names.
    QString carryOverOverride() const
    {
        return classAccountMode ? QString() : carryOverName;
    }
};
