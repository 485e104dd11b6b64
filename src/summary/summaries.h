// Period summaries: for each term, half and the year, the period's income
// and expense lists (one line per article and breakdown, amounts summed; an
// expense with detail lines counts by its lines), their totals, and the
// carry-over entry that brings one period's remainder into the next. They
// are derived data: computed from the entry list, the carry-over entries'
// name and their pupil count, never edited.
#pragma once

#include "model/article.h"
#include "model/periods.h"

#include <QList>
#include <array>

struct PeriodSummary {
    ArticlePtr incomeList = std::make_shared<MekaluArticle>(); // sentinel heads
    ArticlePtr supplyList = std::make_shared<MekaluArticle>();
    qint32 incomeTotal = 0; // sumArticle of the lists: the expense total is negative
    qint32 supplyTotal = 0;
    // What the period hands on: income total plus (negative) expense total.
    qint32 remainder() const;
};

struct PeriodSummaries {
    std::array<PeriodSummary, PeriodCount> periods;
    const PeriodSummary &operator[](int period) const { return periods.at(size_t(period)); }
    PeriodSummary &operator[](int period) { return periods.at(size_t(period)); }
};

// Builds every period from the entries after `entries` (a list head), in the
// fixed order in which each carry-over needs the period before it. A period
// that receives a carry-over has it as the first line of its income list.
// `carryOverName` renames the carry-over entries when not empty; `students`
// is their pupil count. Throws OverflowError when a sum leaves 32 bits.
PeriodSummaries computeSummaries(const MekaluArticle &entries, const QString &carryOverName,
                                 qint16 students);

// Carry-over entry: kind 1 from term 1 (dated 9/1), 2 from term 2 (1/1),
// 3 from the first half (10/1), in `year`.
ArticlePtr makeTermCarryOver(qint16 kind, qint32 amount, qint16 year, const QString &carryOverName,
                             qint16 students);
ArticlePtr makeHalfCarryOver(qint16 kind, qint32 amount, qint16 year, const QString &carryOverName,
                             qint16 students);
// The carry-over a period receives (none for a period that receives none).
ArticlePtr carryOverInto(int period, const PeriodSummaries &sums, const QString &carryOverName,
                         qint16 students);

// Pupils of a new income entry and of the carry-over entries until the user
// types another number.
constexpr qint16 kDefaultStudents = 30;

// The year given to carry-over dates: early enough that a carry-over is the
// first income entry of its period in any real account.
constexpr int kCarryOverYear = 1900;

// One line of a period's summary table: the income lines (the carry-over
// first), then the expense lines, with the running balance.
struct SummaryRow {
    const MekaluArticle *line;
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
