#pragma once

#include <QString>
#include <memory>

class Dialogs;
class QWidget;
class MainWindow;

// The start procedure: loads the main window (which reads the remembered
// article names from `settingsFilePath`, empty for the default place),
// wires it to the detail window and shows it. The program then lives in
// the windows' event handlers.
std::unique_ptr<MainWindow> Main(Dialogs &dialogs, const QString &settingsFilePath = QString());

// For measuring start-up: with HARUMOKA_EXIT_WHEN_READY set in the
// environment, the program ends (status 0, without taking its windows
// down) as soon as `window` has painted itself once, the file named on the
// command line loaded. Nothing happens without it.
void quitWhenReadyIfAsked(QWidget &window);
