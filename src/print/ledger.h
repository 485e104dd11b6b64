// The ledger (元帳): every entry of a period in date order, one ruled row
// per entry, with running balance, carried-forward rows on following pages
// and the red-ruled totals block at the bottom of the last page.
#pragma once

#include "app/module1.h"
#include "app/print_settings.h"
#include "print/page_surface.h"

// Ledger periods: 0 year, 1 term 1, 2 term 2, 3 term 3, 4 first half,
// 5 second half.
// Re-sorts m.articleList (by date, income before expense on a day) and
// clears the entry panels' editing state, because the list is rebuilt.
// Reads the period totals, so refreshSummaries must have run. Draws the
// whole ledger and ends the document; throws HarumokaError (an overflow,
// a printer failure) and leaves the surface unfinished then.
void printLedger(Module1 &m, PageSurface &s, const PrintSettings &ps, qint16 period);

// "１学期", "前期", ... ("" for the year).
QString ledgerPeriodLabel(int period);
// The first-page title in the given title mode.
QString ledgerTitle(const PrintSettings &ps, int period);
