#pragma once

#include "model/account_title.h"

#include <QDate>
#include <QString>

// What a printout is drawn with: the account's title and the format options
// of the print settings sheet (not saved in the account file). The sheet
// produces it on demand, so a printout reads the controls as they are when
// it runs.
struct PrintSettings : AccountTitle {
    bool printCarry = false;      // CheckPrintCarry
    QString respect = QStringLiteral("保護者各位"); // ComboPrintRespect
    QDate printDate;              // DTPickerPrintDate
    bool oneColumn = false;       // OptionAltColumn1(0) "1行"

    PrintSettings() = default;
    explicit PrintSettings(const AccountTitle &title) : AccountTitle(title) {}
};
