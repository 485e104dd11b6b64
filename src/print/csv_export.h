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
                                 const PrintSettings &ps, Printout printout);

// The columns of printoutTable(…) that hold text the user typed
// (articles, breakdowns, carry-over names); the others hold numbers, dates
// and the program's own labels.
QList<int> printoutTextColumns(Printout printout);

// RFC 4180: fields with a comma, a double quote or a line break are quoted,
// quotes doubled; records end with CR LF. A field of `textColumns` that a
// spreadsheet would take for a formula (it begins with =, +, -, @, a tab or
// a carriage return) is written as text: an apostrophe before it, quoted.
// Numbers in the other columns, "-500" too, stay numbers.
QString csvText(const QList<QStringList> &rows, const QList<int> &textColumns = {});

enum class CsvEncoding {
    ShiftJis, // code page 932: what spreadsheets on Japanese desktops open directly
    Utf8Bom,  // UTF-8 after a byte-order mark, which current spreadsheets detect themselves
};
// The bytes of CSV text in `encoding`. Throws HarumokaError for a character
// that code page 932 cannot hold.
QByteArray encodeCsv(const QString &text, CsvEncoding encoding);
// "utf-8", "shift_jis" and their usual spellings; false for anything else.
bool parseCsvEncoding(const QString &name, CsvEncoding *encoding);

// Writes a printout's table of the document as CSV. Throws
// HarumokaError (a character the code page cannot hold, a file that cannot
// be written, a target that is the document's own file or any other account
// file: see checkExportTarget).
void exportCsv(const Document &doc, const PrintSettings &ps, Printout printout, const QString &path,
               CsvEncoding encoding = CsvEncoding::ShiftJis);
// The same with the document's summaries, already worked out.
void exportCsv(const Document &doc, const PeriodSummaries &sums, const PrintSettings &ps, Printout printout,
               const QString &path, CsvEncoding encoding);
