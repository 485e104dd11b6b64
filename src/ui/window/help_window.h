#pragma once

#include <QString>

class QWidget;

// The help viewer: shows the program's help text (HTML kept in the
// resources) in a window of its own beside the main window.
namespace HelpWindow {
// False, with a description in `error`, when the help cannot be shown.
bool show(QWidget *parent, const QString &fileName, QString *error);
}
