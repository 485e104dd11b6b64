#pragma once

#include "print/print_settings.h"
#include "summary/summaries.h"

#include <QList>
#include <QStringList>

class Document;

// The data of a printout as a table for spreadsheets: a ledger's rows (date,
// receipt, article, income, expense, balance, with the carry-over and total
// rows), or, for a report, the period's summary table with its totals.
// Amounts are plain integers so that spreadsheets take them as numbers.
QList<QStringList> printoutTable(const Document &doc, const PeriodSummaries &sums,
                                 const PrintSettings &ps, int printKind);

// RFC 4180: fields with a comma, a double quote or a line break are quoted,
// quotes doubled; records end with CR LF.
QString csvText(const QList<QStringList> &rows);

// Writes printout `printKind`'s table of the document as CSV in code page
// 932 (what spreadsheets on Japanese desktops open directly). Throws
// HarumokaError (a character the code page cannot hold, a file that cannot
// be written, a target that is the document's own file or any other account
// file: see checkExportTarget).
void exportCsv(const Document &doc, const PrintSettings &ps, int printKind, const QString &path);
