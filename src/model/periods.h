// The school year's periods, once for everyone who needs them: which months
// make each term and half, which period hands its remainder to which, how
// that carry-over entry is named and dated, what the printouts, the CSV
// tables and the summary sheets call each period, and which of the twelve
// printouts (print kinds 1 to 12) belongs to which period.
//
// The school year runs from April to March. An entry belongs to a period by
// the month of its date alone: April is month 4 ... December 12, January
// 13 ... March 15 (schoolMonth).
#pragma once

#include <QDateTime>
#include <QString>

class MekaluArticle;

enum Period { Term1 = 0, Term2, Term3, Half1, Half2, Year, PeriodCount };

struct PeriodInfo {
    int firstMonth; // school months, see schoolMonth
    int lastMonth;
    const char *label;       // the period as the ledger names it ("１学期"; "" for the year)
    const char *reportLabel; // as the report's title names it ("１学期" ... "年度")
    const char *sheetCaption; // the summary sheet's tab (" 1学期明細")
    // The carry-over this period receives: from which period (-1 none), dated
    // on the first of which month, and its article unless the title renames it.
    int carryFrom;
    int carryMonth;
    const char *carryName;
    // The ledger row that hands this period's remainder on (nullptr when the
    // period hands nothing on) and the report's closing sentence endings
    // after the remainder, in the class-account and other-account wording.
    const char *carryOutLabel;
    const char *carryOutClassEnding;
    const char *carryOutOtherEnding;
    // The number printLedger knows the period by (0 is the year).
    int ledgerNumber;
};

const PeriodInfo &periodInfo(int period);

// Month of a date counted in the school year: April is 4 ... March is 15.
int schoolMonth(const QDateTime &d);
bool periodContains(int period, const QDateTime &date);

// The period whose ledger printLedger draws for a ledger number 0-5.
Period periodOfLedgerNumber(int ledgerNumber);

// The school year (the year of the April it starts in) of a date.
int schoolYearOfDate(const QDate &date);
// The school year an account is for: the year in its school-year text
// ("令和8年度(2026年度）" is 2026); without one, that of its latest entry;
// without entries, the current one.
int schoolYearOf(const QString &schoolYearText, const MekaluArticle &entries);

// ---- print kinds ----------------------------------------------------------
// Kinds 1-12: odd kinds are a period's ledger, even kinds its report, in the
// period order above. Each throws HarumokaError for a kind outside 1-12.
bool isLedgerKind(int printKind);
Period printKindPeriod(int printKind);
// "一学期元帳" ... "年間会計報告", the printout's title (index = kind - 1).
QString printoutTitle(int printKind);
