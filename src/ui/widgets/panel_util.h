#pragma once

#include <QString>
#include <functional>

class QComboBox;
class QContextMenuEvent;
class QKeyEvent;
class QLineEdit;
class QWidget;
class QObject;

#include "model/box_rules.h"

// Selects the whole text whenever the widget gets the focus, except when
// it comes back from a message, a menu or another window.
void selectAllOnFocus(QWidget *w);
// Number and date boxes keep the input method out: they answer its
// ImEnabled query with false, so that keys reach them straight whatever the
// input method's state. Text an input method commits all the same (on a
// focus change, or from one that ignores the query) is typed as keys.
//
// A key whose text is a full-width form (a keyboard layout or a tool that
// sends "１" as a key, not through the input method) is typed as its
// half-width text, as a commit is; true when the key was taken so.
bool typeFullWidthKey(QWidget *w, const QKeyEvent *event, const std::function<bool(const QString &)> &takes);
// Types `committed` (made half-width) into `w` as key presses, so that the
// box's key and change rules run as for typed keys. A text with a character
// the box does not take (`takes` false) is refused whole: the box keeps
// what it holds. Preedit text is never shown in such a box.
void typeCommittedText(QWidget *w, const QString &committed, const std::function<bool(const QString &)> &takes);
// Key handling. Every filter sits on the widget itself, which is the one that
// holds the focus and receives the key presses: an editable drop-down is the
// focus proxy of its line edit and hands keys and input-method text on to
// that line edit directly, so a filter on the line edit would never see a
// real keyboard.
//
// Calls `onEnter` when Return/Enter is pressed in `w` (the key is consumed).
void onEnterKey(QWidget *w, const std::function<void()> &onEnter);
// Ctrl+Z (Ctrl+Y) in `w` undoes (redoes) typing in the box while the box
// has some; otherwise the key goes on to the window's Undo (Redo).
void passUndoWhenNothingTyped(QWidget *w);
// Calls `onEscape` when Escape is pressed in `w` (the key is consumed).
void onEscapeKey(QWidget *w, const std::function<void()> &onEscape);
// Calls `onDelete` when Delete (without modifiers) is pressed in `w` (the key is consumed).
void onDeleteKey(QWidget *w, const std::function<void()> &onDelete);
// Calls `onMenu` for every context-menu request that reaches `w` (consumed).
void onContextMenu(QWidget *w, const std::function<void(QContextMenuEvent *)> &onMenu);
// Calls `onTab` for Tab (forward) and Shift+Tab (backward) in `w`; the key
// is consumed, so the focus does not wander along the window's tab order.
void onTabKey(QWidget *w, const std::function<void(bool forward)> &onTab);
// Calls `handler` for every key press in `w`; true consumes the key. The
// filter installed last runs first.
void installKeyFilter(QWidget *w, std::function<bool(QKeyEvent *)> handler);
// Whether a key types or edits text: a printable character, Backspace,
// Delete, or a paste, cut, undo or redo.
bool editsText(const QKeyEvent *ke);

// Names a cell editor for screen readers (its column or caption); a
// drop-down's line edit, which takes the keys, is named too.
void nameEditor(QWidget *w, const QString &name);
// Screen readers announce a drop-down by its accessible name or label, its
// text being its value (Qt announces its text), and a window marked with
// announceAsDialog (before its title is set) as a dialog (Qt: a plain
// panel). Installed once, before the first window is made.
void installAccessibleNames();
void announceAsDialog(QWidget *window);

// Refills a combo's drop-down list; the edit text ends empty, as after a
// list clear.
void refillCombo(QComboBox *combo, const QStringList &items);
void selectAllText(QWidget *w);
QString comboText(const QComboBox *combo);
void setComboText(QComboBox *combo, const QString &text);
