#include "ui/widgets/panel_util.h"

#include "model/values.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLineEdit>
#include <QPointer>
#include <QStringList>

namespace {

class FocusSelectFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Focus coming back from a message, a menu or another window leaves
        // the text as it was: typing on must not replace what was typed.
        if (event->type() == QEvent::FocusIn) {
            const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
            if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
                selectAllText(qobject_cast<QWidget *>(watched));
        }
        return false;
    }
};

// Handles key presses for the widget it is installed on; the handler
// returns true to consume the key.
class KeyFilter : public QObject {
public:
    KeyFilter(QObject *parent, std::function<bool(QKeyEvent *)> handler)
        : QObject(parent), m_handler(std::move(handler))
    {
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        return m_handler(static_cast<QKeyEvent *>(event));
    }

private:
    std::function<bool(QKeyEvent *)> m_handler;
};

class ContextMenuFilter : public QObject {
public:
    ContextMenuFilter(QObject *parent, std::function<void(QContextMenuEvent *)> handler)
        : QObject(parent), m_handler(std::move(handler))
    {
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::ContextMenu)
            return false;
        m_handler(static_cast<QContextMenuEvent *>(event));
        return true;
    }

private:
    std::function<void(QContextMenuEvent *)> m_handler;
};

void onKeyPress(QWidget *w, std::function<bool(QKeyEvent *)> handler)
{
    w->installEventFilter(new KeyFilter(w, std::move(handler)));
}

bool isEnter(const QKeyEvent *ke)
{
    return ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
}

} // namespace

void installKeyFilter(QWidget *w, std::function<bool(QKeyEvent *)> handler)
{
    onKeyPress(w, std::move(handler));
}

// A key that changes the text of a box: a typed character, a deletion, or
// a paste, cut, undo or redo.
bool editsText(const QKeyEvent *ke)
{
    if (ke->key() == Qt::Key_Backspace || ke->key() == Qt::Key_Delete)
        return true;
    for (auto k : {QKeySequence::Paste, QKeySequence::Cut, QKeySequence::Undo, QKeySequence::Redo})
        if (ke->matches(k))
            return true;
    const QString text = ke->text();
    return !text.isEmpty() && text.at(0).isPrint() && !(ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

void selectAllText(QWidget *w)
{
    if (auto *e = qobject_cast<QLineEdit *>(w))
        e->selectAll();
    else if (auto *c = qobject_cast<QComboBox *>(w)) {
        if (c->lineEdit())
            c->lineEdit()->selectAll();
    }
}

void selectAllOnFocus(QWidget *w)
{
    w->installEventFilter(new FocusSelectFilter(w));
    if (auto *c = qobject_cast<QComboBox *>(w); c && c->lineEdit())
        c->lineEdit()->installEventFilter(new FocusSelectFilter(c->lineEdit()));
}

void typeCommittedText(QWidget *w, const QString &committed, const std::function<bool(const QString &)> &takes)
{
    const QString text = halfWidthNumberText(committed);
    if (text.isEmpty())
        return;
    if (!takes(text)) {
        QApplication::beep();
        return;
    }
    const QPointer<QWidget> target(w);
    for (QChar c : text) {
        if (!target)
            return;
        // Qt's key codes for printable ASCII are the upper-case characters.
        const int key = c.toUpper().unicode();
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(target, &press);
        if (target)
            QApplication::sendEvent(target, &release);
    }
}

bool typeFullWidthKey(QWidget *w, const QKeyEvent *event, const std::function<bool(const QString &)> &takes)
{
    const QString text = event->text();
    if (text.isEmpty() || std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x80; }))
        return false;
    typeCommittedText(w, text, takes);
    return true;
}

namespace {

// The box's own undo takes Ctrl+Z only while it has something to undo.
class UndoPassFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::ShortcutOverride)
            return false;
        auto *ke = static_cast<QKeyEvent *>(event);
        const bool undo = ke->matches(QKeySequence::Undo);
        if (!undo && !ke->matches(QKeySequence::Redo))
            return false;
        auto *w = static_cast<QWidget *>(watched);
        auto *edit = qobject_cast<QLineEdit *>(w);
        if (!edit)
            edit = w->findChild<QLineEdit *>();
        if (edit && (undo ? edit->isUndoAvailable() : edit->isRedoAvailable()))
            return false;
        event->ignore(); // the window's Undo or Redo takes the key
        return true;
    }
};

} // namespace

void passUndoWhenNothingTyped(QWidget *w)
{
    w->installEventFilter(new UndoPassFilter(w));
}

void onEnterKey(QWidget *w, const std::function<void()> &onEnter)
{
    onKeyPress(w, [onEnter](QKeyEvent *ke) {
        if (!isEnter(ke))
            return false;
        onEnter();
        return true;
    });
}

void onEscapeKey(QWidget *w, const std::function<void()> &onEscape)
{
    onKeyPress(w, [onEscape](QKeyEvent *ke) {
        if (ke->key() != Qt::Key_Escape)
            return false;
        onEscape();
        return true;
    });
}

void onDeleteKey(QWidget *w, const std::function<void()> &onDelete)
{
    onKeyPress(w, [onDelete](QKeyEvent *ke) {
        if (ke->key() != Qt::Key_Delete || (ke->modifiers() & ~Qt::KeypadModifier) != Qt::NoModifier)
            return false;
        onDelete();
        return true;
    });
}

void onContextMenu(QWidget *w, const std::function<void(QContextMenuEvent *)> &onMenu)
{
    w->installEventFilter(new ContextMenuFilter(w, onMenu));
}

void onTabKey(QWidget *w, const std::function<void(bool)> &onTab)
{
    onKeyPress(w, [onTab](QKeyEvent *ke) {
        const bool tab = ke->key() == Qt::Key_Tab || ke->key() == Qt::Key_Backtab;
        if (!tab || (ke->modifiers() & (Qt::ControlModifier | Qt::AltModifier)))
            return false;
        onTab(ke->key() == Qt::Key_Tab && !(ke->modifiers() & Qt::ShiftModifier));
        return true;
    });
}

void nameEditor(QWidget *w, const QString &name)
{
    w->setAccessibleName(name);
    if (auto *c = qobject_cast<QComboBox *>(w); c && c->lineEdit())
        c->lineEdit()->setAccessibleName(name);
}

namespace {

// Qt names a drop-down by its text on Linux; ours are named by what they
// are for (their accessible name or label), their text being their value.
class NamedComboAccessible : public QAccessibleWidget {
public:
    explicit NamedComboAccessible(QComboBox *combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}
    QString text(QAccessible::Text t) const override
    {
        const QString value = static_cast<QComboBox *>(widget())->currentText();
        const QString name = t == QAccessible::Value ? value : QAccessibleWidget::text(t);
        return t == QAccessible::Name && name.isEmpty() ? value : name;
    }
};

QAccessibleInterface *namedWidgets(const QString &, QObject *object)
{
    if (auto *c = qobject_cast<QComboBox *>(object))
        return new NamedComboAccessible(c);
    if (auto *w = qobject_cast<QWidget *>(object); w && w->property("announcedAsDialog").toBool())
        return new QAccessibleWidget(w, QAccessible::Dialog);
    return nullptr;
}

} // namespace

void installAccessibleNames()
{
    QAccessible::installFactory(namedWidgets); // once: Qt keeps a factory once
}

void announceAsDialog(QWidget *window)
{
    window->setProperty("announcedAsDialog", true);
}

void refillCombo(QComboBox *combo, const QStringList &items)
{
    const QSignalBlocker block(combo);
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(-1);
    combo->setEditText(QString());
}

QString comboText(const QComboBox *combo)
{
    return combo->currentText();
}

void setComboText(QComboBox *combo, const QString &text)
{
    combo->setEditText(text);
}
