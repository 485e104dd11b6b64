#pragma once

#include <memory>

class Module1;
class Dialogs;
class frmMain;

// The start procedure: clears the counters (the lists are made by Module1),
// loads the main window, fills the printout titles and shows the window.
// The program then lives in the window's event handlers.
std::unique_ptr<frmMain> Main(Module1 &m, Dialogs &dialogs);
