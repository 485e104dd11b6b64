#pragma once

#include "print/csv_export.h"
#include "ui/widgets/dialogs.h"

// What the window's file dialogs are asked, and what they remember between
// runs in the per-user settings (organisation and application "ハルモカ").

// Where a file dialog starts: the folder of the open account, else the
// folder a file was last chosen in, else the user's documents folder (the
// home folder when there is none); never the folder the program was started
// from.
QString dialogStartFolder(const QString &accountFile);
// The folder a file dialog last returned a file in; empty when none was
// remembered or it is gone.
QString lastDialogFolder();
// Remembers the folder of a file the user chose; the dialogs call it.
void rememberDialogFolder(const QString &chosenFile);

// A file named after the account and the printout in the account's folder:
// "…/3年2組.txt", "年間会計報告", "pdf" give "…/3年2組_年間会計報告.pdf". An
// account without a name gives the printout's title in the start folder.
QString proposedOutputPath(const QString &accountFile, const QString &printoutTitle, const QString &suffix);

// Open: "すべてのﾌｧｲﾙ (*.*)" lists every file, names without a dot too.
Dialogs::FileRequest openAccountRequest(const QString &accountFile);
Dialogs::FileRequest saveAccountRequest(const QString &accountFile);
// CSV: one filter per encoding, the one chosen last time selected.
Dialogs::FileRequest csvExportRequest(const QString &accountFile, const QString &printoutTitle);
// The encoding of the CSV filter the dialog returned; remembered for next time.
CsvEncoding chosenCsvEncoding(int filter);
