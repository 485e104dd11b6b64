// The school year's periods, once for everyone who needs them: which months
// make each term and half, which period hands its remainder to which, how
// that carry-over entry is named and dated, what the printouts, the CSV
// tables and the summary sheets call each period, and which of the twelve
// printouts belongs to which period.
//
// The school year runs from April to March. An entry belongs to a period by
// the month of its date alone: April is month 4 ... December 12, January
// 13 ... March 15 (schoolMonth).
#pragma once

#include <QDateTime>
#include <QString>

class EntryList;

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
};

const PeriodInfo &periodInfo(int period);

// Month of a date counted in the school year: April is 4 ... March is 15.
int schoolMonth(const QDateTime &d);
bool periodContains(int period, const QDateTime &date);

// The school year (the year of the April it starts in) of a date.
int schoolYearOfDate(const QDate &date);
// The school year an account is for: the year in its school-year text
// ("令和8年度(2026年度）" is 2026); without one, that of its latest entry;
// without entries, the current one.
int schoolYearOf(const QString &schoolYearText, const EntryList &entries);

// ---- printouts ------------------------------------------------------------
// One of the twelve printouts: a period's ledger or its report. The print
// settings and the command line number them 1-12 (odd kinds a period's
// ledger, even kinds its report, in the period order above); the number is
// read once, where it comes in, and the printout carries its period from
// there to the page.
struct Printout {
    Period period = Year;
    bool ledger = true;
    // Kinds 13 and 14 are the year's collections, not a period's money:
    // 集金確認表 (the roster × the collections) and 未納のお知らせ (a slip
    // for each household that owes).
    enum Collections { NoCollections, Checklist, Reminders };
    Collections collections = NoCollections;

    static constexpr int kLastKind = 14;
    // Throws HarumokaError for a kind outside 1-14.
    static Printout fromKind(int printKind);
    int kind() const
    {
        if (collections != NoCollections)
            return collections == Checklist ? 13 : 14;
        return int(period) * 2 + (ledger ? 1 : 2);
    }
    // "一学期元帳" ... "年間会計報告", "集金確認表", "未納のお知らせ".
    QString title() const;
    // The checklist is printed across A4.
    bool landscape() const { return collections == Checklist; }
    const PeriodInfo &info() const { return periodInfo(period); }
    bool operator==(const Printout &) const = default;
};
