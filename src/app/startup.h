#pragma once

#include <QWidget>
#include <memory>

class Module1;

// The start procedure: clears the counters, creates the lists (done by
// Module1 itself), loads the main window, fills the printout titles and
// shows the window. Returns the window; the program then lives in its
// event handlers.
std::unique_ptr<QWidget> Main(Module1 &m);
