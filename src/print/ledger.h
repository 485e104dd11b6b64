// The ledger (元帳): every entry of a period in date order, one ruled row
// per entry, with running balance, carried-forward rows on following pages
// and the red-ruled totals block at the bottom of the last page.
#pragma once

#include "print/page_surface.h"
#include "print/print_settings.h"
#include "summary/summaries.h"

#include <QDateTime>
#include <QList>
#include <optional>

class Document;

// One row of a ledger with the running totals after it: an entry, or one of
// the rows the ledger adds (the carry-over in, the carry-over out, the totals).
struct LedgerLine {
    EntryPtr entry;                       // an entry's row; none for the added rows
    QString text;                         // article and breakdown, or the row's label
    qint64 income = 0;                    // this row's amounts
    qint64 expense = 0;
    qint64 incomeTotal = 0;               // totals and balance after this row
    qint64 expenseTotal = 0;
    qint64 balance = 0;
    bool moreInList = false;              // an element follows the entry in the list
};

// What a period's ledger shows, for the printer and the CSV export alike.
struct LedgerTable {
    std::optional<LedgerLine> carryIn;     // the remainder the period receives
    QList<LedgerLine> entries;             // in list order, blank entries left out
    std::optional<LedgerLine> carryOutRow; // the remainder booked as the last expense
    LedgerLine total;                      // "１学期 合計" ...
    std::optional<LedgerLine> carryOutAfterTotal; // the remainder handed on, under the totals
};

// `sorted` is the entries in print order (EntryList::printOrder). Throws
// OverflowError when the expense total leaves 32 bits.
LedgerTable ledgerTable(const std::vector<EntryPtr> &sorted, const PeriodSummaries &sums,
                        const PrintSettings &ps, Period period);

// Draws the whole ledger of the document's entries in print order (by
// date, income before expense on a day) and ends the document. Throws
// HarumokaError (an overflow, a printer failure) and leaves the surface
// unfinished then.
void printLedger(const Document &doc, const PeriodSummaries &sums, PageSurface &s, const PrintSettings &ps,
                 Period period);

// The first-page title in the given title mode.
QString ledgerTitle(const PrintSettings &ps, Period period);
