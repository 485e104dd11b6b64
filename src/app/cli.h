#pragma once

#include "print/csv_export.h"

#include <QString>
#include <QStringList>

// The command line: `harumoka [FILE]` opens an account in the window;
// `harumoka --pdf OUT.pdf --kind N ... FILE` and `--csv OUT.csv` write a
// printout without a window, for scripts and for sending reports by mail;
// `--print [--printer QUEUE]` sends it to the system's print service.
struct CommandLine {
    bool help = false;
    bool version = false;
    QString pdfPath;
    QString csvPath;
    CsvEncoding csvEncoding = CsvEncoding::ShiftJis;
    int kind = 11;
    QString date;          // YYYY-MM-DD, the report's date
    bool oneColumn = false;
    bool carryAsExpense = false;
    QString addressee;
    QString file;
    QString error;         // set when the arguments are wrong
    bool print = false;    // --print: to a queue of the print service
    QString printer;       // --printer QUEUE; empty: the default queue
    QString rosterCsv;     // --import-roster NAMES.csv: the class list into the account's roster

    bool headless() const { return !pdfPath.isEmpty() || !csvPath.isEmpty() || print || !rosterCsv.isEmpty(); }
};

CommandLine parseCommandLine(const QStringList &args);
QString commandLineHelp();
// Runs an export (PDF or CSV) of the file. Standard error gets the
// program's own messages and nothing else (Qt's notes are not shown).
// Returns the process exit status.
int runHeadless(const CommandLine &cl);
// True when the raw arguments ask for an export, before any Qt object exists
// (a headless run picks the offscreen platform when there is no display).
bool wantsHeadless(int argc, char **argv);
// For a headless run, before any Qt object exists: Qt's own notes (about the
// runtime folder, the platform, fonts) stay off standard error, which scripts
// read for the program's messages. Critical messages still show.
void keepQtNotesOffStandardError();
