#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QValidator>
#include <QWidget>
#include <initializer_list>
#include <utility>

class FlexGrid;

// The one input rule of a number box. Every road text takes into the box (a
// key, an input method's commit, a paste, a drop, the box's own undo) ends in
// QLineEdit's validation, which asks this: full-width digits, signs, commas
// and spaces become half-width, and a change that leaves a character the rule
// does not take is refused whole with a beep, the box keeping what it held.
class NumberRule : public QValidator {
public:
    NumberRule(bool signedAmount, QObject *parent) : QValidator(parent), m_signedAmount(signedAmount) {}
    State validate(QString &input, int &pos) const override;

private:
    bool m_signedAmount;
};

// The one input rule of a text box: a value is one line (text is cut at its
// first line break), of characters the account file can hold. Those it
// cannot (𠮷, emoji, é, €, ESC...) are left out where they are typed or
// pasted, the rest of the text kept, and named through refused(); the
// window says so (reportRefusedCharacters). Without this an account holding
// one such character could be neither saved nor copied for recovery.
class TextRule : public QValidator {
    Q_OBJECT
public:
    using QValidator::QValidator;
    State validate(QString &input, int &pos) const override;

signals:
    void refused(const QStringList &characters);
};

// Shows, through `dialogs`, which characters a text box under `root` left
// out, once the key or paste that brought them is over.
class Dialogs;
void reportRefusedCharacters(QWidget *root, Dialogs &dialogs);
// The message: 「𠮷」はこのファイルに保存できない文字です。…
QString refusedCharactersMessage(const QStringList &characters);

// A box for a number: amounts, pupils, receipt and row numbers. The input
// method stays out of it (see typeCommittedText): digits come straight from
// the keys even while a Japanese input method is on, and what an input
// method commits into it counts as the same half-width keys. Qt 6.4's line
// edit answers ImEnabled with true whatever WA_InputMethodEnabled says, and
// QInputMethod asks through the invokable two-argument query, so both are
// answered here.
class NumberBox : public QLineEdit {
    Q_OBJECT
public:
    // `signedAmount`: the amount rule (digits, "-" and ","); otherwise digits only.
    explicit NumberBox(bool signedAmount, QWidget *parent = nullptr);
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    Q_INVOKABLE QVariant inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const;

protected:
    void inputMethodEvent(QInputMethodEvent *event) override;
};

// The receipt-number drop-down: a NumberBox with a list.
class NumberCombo : public QComboBox {
    Q_OBJECT
public:
    using QComboBox::QComboBox;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;
    Q_INVOKABLE QVariant inputMethodQuery(Qt::InputMethodQuery query, const QVariant &argument) const;

protected:
    void inputMethodEvent(QInputMethodEvent *event) override;
};

// Small builders for the fixed-geometry sheets (twips from the sheet's top-left).
namespace sheet {

// The tab captions take the top 360 twips of the tabbed container; the
// design positions controls from the container's top.
constexpr int kTabHeader = 360;

QComboBox *combo(QWidget *parent, int left, int top, int width, int height = 360);
// Number boxes (see NumberBox).
QLineEdit *numberBox(QWidget *parent, bool signedAmount, int left, int top, int width, int height = 360);
QComboBox *numberCombo(QWidget *parent, int left, int top, int width, int height = 360);
QPushButton *button(QWidget *parent, const QString &caption, int left, int top, int width,
                    int height = 420);
QLabel *label(QWidget *parent, const QString &text, int left, int top, int width, int height);
void place(QWidget *w, int left, int top, int width, int height);

// Gives each part the object name of the member that holds it: the one name
// tests (and anything outside the window) find a part by.
void nameParts(std::initializer_list<std::pair<QObject *, const char *>> parts);
// The object name of element `index` of a member array: "optPrint[3]".
inline QString indexedName(const char *name, int index)
{
    return QStringLiteral("%1[%2]").arg(QLatin1String(name)).arg(index);
}

} // namespace sheet

// The pupils spinner: two arrow buttons stepping the number in a buddy box.
class UpDown : public QWidget {
    Q_OBJECT
public:
    UpDown(QLineEdit *buddy, QWidget *parent = nullptr, int min = 0, int max = 999);
    void step(int delta);

private:
    QLineEdit *m_buddy;
    int m_min;
    int m_max;
};
