// The one way a user command's failure reaches the user in the windows: a
// HarumokaError is said in a warning box, any other exception in a critical
// one, and the program goes on running.
#pragma once

#include <functional>

class Dialogs;
class QWidget;

// Runs `f`; false when it failed and the failure was shown.
bool runShowingErrors(Dialogs &dialogs, QWidget *parent, const std::function<void()> &f);
