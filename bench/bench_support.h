// What the benchmark programs share: a headless QApplication set up as the
// program sets itself up, account files generated once per run, a Dialogs
// that never shows anything, and a main window on a private settings file.
#pragma once

#include "support/silent_dialogs.h"
#include "ui/window/main_window.h"

#include <QString>
#include <QStringList>
#include <memory>

// Call first in main: the offscreen platform unless one is chosen already,
// without its notes about window features it does not have.
void useOffscreenPlatformByDefault();

// The generated account of `entries` entries, written once into a private
// folder for this run; later calls return the same file.
QString accountFile(int entries);
// Folder for files the benchmarks write (removed at exit).
QString scratchPath(const QString &name);


// The program as it starts: the main window with its empty document, with
// the remembered names kept in the scratch folder.
struct ProgramWindow {
    ProgramWindow();
    ~ProgramWindow();
    ProgramWindow(const ProgramWindow &) = delete;
    ProgramWindow &operator=(const ProgramWindow &) = delete;

    SilentDialogs dialogs;
    std::unique_ptr<MainWindow> w;
};

// Lets queued work (deferred grid updates, layout, painting) finish, so a
// timing covers what the user waits for.
void settle();

// Peak resident set size of this process so far, in MiB (getrusage).
double peakRssMiB();
// Resident set size now, in MiB (/proc/self/statm).
double currentRssMiB();
