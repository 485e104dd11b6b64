#pragma once

#include <QString>
#include <memory>

class Dialogs;
class frmMain;

// The start procedure: loads the main window (which reads the remembered
// article names from `settingsFilePath`, empty for the default place),
// wires it to the detail window and shows it. The program then lives in
// the windows' event handlers.
std::unique_ptr<frmMain> Main(Dialogs &dialogs, const QString &settingsFilePath = QString());
