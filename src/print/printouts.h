// The twelve printouts as the print command runs them: the detail check
// before printing, the closing sentence of each report, and drawing a
// chosen printout on a surface, a printer or a PDF file.
#pragma once

#include "print/page_surface.h"
#include "print/print_settings.h"
#include "summary/summaries.h"

class Document;
class QPrinter;

// 0 when every expense entry with a detail list agrees with the sum of its
// lines; otherwise the number of the first one that does not (its
// position among the expense entries, i.e. its row in the expense grid).
// An expense whose detail list has no lines disagrees unless its amount is 0.
qint16 findDetailMismatch(const MekaluArticle &list);

// The sentence above a report's date: for the reports of the periods that
// hand their remainder on (kinds 2, 4 and 8) the carry-over of that
// remainder, in the wording of the title mode; for the others (6, 10 and
// 12) the thanks for the year; nothing for a ledger.
QString closingSentence(const PeriodSummaries &sums, const PrintSettings &ps, int printKind);

// The summaries a printout of the document reads, computed with the
// carry-over name of `ps`.
PeriodSummaries printSummaries(const Document &doc, const PrintSettings &ps);

// Draws printout `printKind` (1-12: odd a ledger, even a report) on the
// surface and ends it. A ledger first puts the document's entries in print
// order (Document::sortByDate). Throws HarumokaError.
void printKindOn(Document &doc, const PeriodSummaries &sums, PageSurface &s, const PrintSettings &ps,
                 int printKind);

// printKindOn on a printer made ready by the print dialog (or the print
// preview). The printout is first drawn on a recording surface, so that an
// error in the data (an overflow) is reported before a single page reaches
// the printer. Throws HarumokaError.
void printKindOnPrinter(Document &doc, const PeriodSummaries &sums, QPrinter &printer,
                        const PrintSettings &ps, int printKind);

// The name a printout goes by as a print job (the queue, the page log) and
// as a PDF's title: the account's name and the printout's, "3年2組 年間元帳";
// the printout's alone for an account without a file.
QString printJobName(const QString &accountFile, int printKind);

// Writes printout `printKind` of the document to a PDF file (A4 portrait,
// fonts embedded). The file is replaced only when the whole printout was
// written. Throws HarumokaError, for example when the file cannot be
// written, or when it is the document's own file or any other account file
// (see checkExportTarget).
void exportPdf(Document &doc, const PrintSettings &ps, int printKind, const QString &pdfPath);
