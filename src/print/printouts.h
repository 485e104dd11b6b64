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
qint16 findDetailMismatch(const EntryList &entries);

// The sentence above a report's date: for the reports of the periods that
// hand their remainder on (term 1, term 2, the first half) the carry-over of
// that remainder, in the wording of the title mode; for the others the
// thanks for the year; nothing for a ledger.
QString closingSentence(const PeriodSummaries &sums, const PrintSettings &ps, Printout printout);

// The summaries a printout of the document reads, computed with the
// carry-over name of `ps`.
PeriodSummaries printSummaries(const Document &doc, const PrintSettings &ps);

// Draws a printout on the surface and ends it. Throws HarumokaError.
void printKindOn(const Document &doc, const PeriodSummaries &sums, PageSurface &s, const PrintSettings &ps,
                 Printout printout);

// printKindOn on a printer made ready by the print dialog (or the print
// preview). The printout is first rehearsed (RehearsalSurface), so that an
// error in the data (an overflow) is reported before a single page reaches
// the printer. Throws HarumokaError.
// A4 down, or across for the printouts that want it (the checklist).
void orientPrinter(QPrinter &printer, Printout printout);
void printKindOnPrinter(const Document &doc, const PeriodSummaries &sums, QPrinter &printer,
                        const PrintSettings &ps, Printout printout);

// The name a printout goes by as a print job (the queue, the page log) and
// as a PDF's title: the account's name and the printout's, "3年2組 年間元帳";
// the printout's alone for an account without a file.
QString printJobName(const QString &accountFile, Printout printout);

// Writes a printout of the document to a PDF file (A4 portrait,
// fonts embedded). The file is replaced only when the whole printout was
// written. Throws HarumokaError, for example when the file cannot be
// written, or when it is the document's own file or any other account file
// (see checkExportTarget).
void exportPdf(const Document &doc, const PrintSettings &ps, Printout printout, const QString &pdfPath);

// The same for a printer set up elsewhere (the print dialog's "PDF file"):
// prints into a private temporary file and replaces pdfPath only with the
// whole printout, never an account file. The printer's output file is
// pdfPath again afterwards.
void printToPdfFile(const Document &doc, const PeriodSummaries &sums, QPrinter &printer, const PrintSettings &ps,
                    Printout printout, const QString &pdfPath);
// Removes what PDF exports of killed programs left in the temporary
// folder (this user's files that no running export holds).
void removeStaleExportTemporaries();
