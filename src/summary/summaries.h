// Period summaries: for each term, half and the year, the period's income
// and expense lines (one line per article and breakdown, amounts summed; an
// expense with detail lines counts by its lines), their totals, and the
// carry-over entry that brings one period's remainder into the next. They
// are derived data: computed from the entries and the carry-over entries'
// name, never edited.
#pragma once

#include "model/entry_list.h"
#include "model/periods.h"

#include <QList>
#include <array>

struct PeriodSummary {
    // Each line is the first entry of its article and breakdown, with the
    // amounts (and pupils) of all of them summed.
    QList<Entry> incomeList;
    QList<Entry> supplyList;
    qint32 incomeTotal = 0; // the expense total is negative
    qint32 minusExpenseTotal = 0;
    // What the period hands on: income total plus (negative) expense total.
    qint32 remainder() const;
};

struct PeriodSummaries {
    std::array<PeriodSummary, PeriodCount> periods;
    const PeriodSummary &operator[](int period) const { return periods.at(size_t(period)); }
    PeriodSummary &operator[](int period) { return periods.at(size_t(period)); }
};

// Builds every period in one pass over the entries; a period that receives
// a carry-over has it as the first line of its income list.
// `carryOverName` renames the carry-over entries when not empty. Throws
// OverflowError when a sum leaves 32 bits.
PeriodSummaries computeSummaries(const EntryList &entries, const QString &carryOverName);

// The carry-over a period receives from the period before it (none for a
// period that receives none), dated in `year`.
std::optional<Entry> carryOverInto(int period, const PeriodSummaries &sums,
                                           const QString &carryOverName, int year = 1900);

// Income lines plus, expense lines minus; throws OverflowError past 32 bits.
qint32 sumLines(const QList<Entry> &lines);

// One line of a period's summary table: the income lines (the carry-over
// first), then the expense lines, with the running balance.
struct SummaryRow {
    const Entry *line;
    qint32 balance;
};
// The table's lines, and its totals (income, positive expense, balance).
struct SummaryTable {
    QList<SummaryRow> rows;
    qint32 incomeTotal = 0;
    qint64 expenseTotal = 0;
    qint32 balance = 0;
};
SummaryTable summaryTable(const PeriodSummary &period);
