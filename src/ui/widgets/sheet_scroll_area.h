#pragma once

#include <QScrollArea>

class QMainWindow;

// Holds the window's fixed-size sheets. Where the screen has room it is
// exactly as large as they are, so the window keeps its designed size;
// where it has not (a large scale factor on a small screen), it takes what
// the screen's available area leaves beside the menu, the toolbar and the
// window frame, and scrolls, so that every sheet and button stays reachable.
class SheetScrollArea : public QScrollArea {
public:
    SheetScrollArea(QWidget *sheets, QMainWindow *window);

    // Sizes the window to the sheets or to its screen; again when the window
    // is shown, moved by the window manager or taken to another screen.
    void fitToScreen();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QMainWindow *m_window;
    bool m_fitting = false;
};
