#pragma once

#include "model/account_title.h"

#include <QDate>
#include <QString>

// What a printout is drawn with: the account's title and the format options
// (not saved in the account file). Whoever starts a printout fills them in
// as they stand at that moment: the print settings or the command line.
struct PrintSettings : AccountTitle {
    bool printCarry = false;      // the ledger books the carry-over as the period's last expense
    QString respect = QStringLiteral("保護者各位"); // the report's addressee (報告相手)
    QDate printDate;              // the report's date; an invalid one means today
    bool oneColumn = false;       // the report lists its expenses one per row, not two

    PrintSettings() = default;
    explicit PrintSettings(const AccountTitle &title) : AccountTitle(title) {}
};
