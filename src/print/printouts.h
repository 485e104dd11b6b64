// The twelve printouts as the print command runs them: the detail check
// before printing, the closing sentence of each report, and drawing a
// chosen printout on a surface, a printer or a PDF file.
#pragma once

#include "app/module1.h"
#include "app/print_settings.h"
#include "print/page_surface.h"

#include <functional>

class QPrinter;

// 0 when every expense entry with a detail list agrees with the sum of its
// lines; otherwise the number of the first one that does not (its
// position among the expense entries, i.e. its row in the expense grid).
// An expense whose detail list has no lines disagrees unless its amount is 0.
qint16 findDetailMismatch(const MekaluArticle &list);

// The sentence above a report's date: for kinds 2, 4 and 8 the carry-over
// of the period's remainder into the next one (in the wording of the title
// mode), for 6, 10 and 12 the thanks for the year, otherwise empty. Reads
// the period totals, so refreshSummaries must have run.
QString closingSentence(const Module1 &m, const PrintSettings &ps, int printKind);

// Draws printout `printKind` (1-12: odd a ledger, even a report; see
// Module1::periodTitles) on the surface and ends it. Assumes
// refreshSummaries has run. A ledger re-sorts m.articleList and clears the
// entry panels' editing state. Throws HarumokaError.
void printKindOn(Module1 &m, PageSurface &s, const PrintSettings &ps, int printKind);

// printKindOn on a printer made ready by the print dialog (or the print
// preview). The printout is first drawn on a recording surface, so that an
// error in the data (an overflow) is reported before a single page reaches
// the printer. Throws HarumokaError.
void printKindOnPrinter(Module1 &m, QPrinter &printer, const PrintSettings &ps, int printKind);

// Refreshes the summaries and writes printout `printKind` to a PDF file (A4
// portrait, fonts embedded). The file is replaced only when the whole
// printout was written. `fill` is passed on to refreshSummaries; without it
// summariesStale keeps its value, so summary grids that are out of date
// still get refreshed by the window. Throws HarumokaError, for example when
// the file cannot be written, or when it is the open account
// m.currentFileName or any other account file (see checkExportTarget).
void exportPdf(Module1 &m, const PrintSettings &ps, int printKind, const QString &pdfPath,
               const std::function<void(int period)> &fill = {});
