#include "ui/widgets/sheet_widgets.h"

#include "model/values.h"
#include "storage/codec.h"
#include "ui/widgets/dialogs.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/twips.h"

#include <QApplication>
#include <QInputMethodEvent>
#include <QRegularExpression>
#include <QVBoxLayout>
#include <algorithm>

namespace sheet {

void place(QWidget *w, int left, int top, int width, int height)
{
    w->setGeometry(twipsToPixels(left, w), twipsToPixels(top, w), twipsToPixels(width, w),
                   twipsToPixels(height, w));
}

void nameParts(std::initializer_list<std::pair<QObject *, const char *>> parts)
{
    for (const auto &[part, name] : parts)
        part->setObjectName(QLatin1String(name));
}

static QComboBox *setUpCombo(QComboBox *c, int left, int top, int width, int height)
{
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMaxVisibleItems(20);
    place(c, left, top, width, height);
    c->setValidator(new TextRule(c));
    selectAllOnFocus(c);
    return c;
}

QComboBox *combo(QWidget *parent, int left, int top, int width, int height)
{
    return setUpCombo(new QComboBox(parent), left, top, width, height);
}

QComboBox *numberCombo(QWidget *parent, int left, int top, int width, int height)
{
    QComboBox *c = setUpCombo(new NumberCombo(parent), left, top, width, height);
    c->setValidator(new NumberRule(false, c));
    c->setInputMethodHints(Qt::ImhPreferNumbers);
    return c;
}

QLineEdit *numberBox(QWidget *parent, bool signedAmount, int left, int top, int width, int height)
{
    auto *e = new NumberBox(signedAmount, parent);
    place(e, left, top, width, height);
    selectAllOnFocus(e);
    e->setInputMethodHints(Qt::ImhPreferNumbers);
    return e;
}

QPushButton *button(QWidget *parent, const QString &caption, int left, int top, int width, int height)
{
    auto *b = new QPushButton(caption, parent);
    b->setAutoDefault(false);
    place(b, left, top, width, height);
    return b;
}

QLabel *label(QWidget *parent, const QString &text, int left, int top, int width, int height)
{
    auto *l = new QLabel(text, parent);
    place(l, left, top, width, height);
    return l;
}

} // namespace sheet

QValidator::State TextRule::validate(QString &input, int &pos) const
{
    static const QRegularExpression lineBreak(QStringLiteral("[\r\n\u2028\u2029]"));
    QString text = input;
    if (const qsizetype cut = text.indexOf(lineBreak); cut >= 0)
        text.truncate(cut);
    QStringList leftOut;
    text = storableText(text, &leftOut);
    if (text.size() != input.size()) {
        pos = std::clamp<int>(pos - int(input.size() - text.size()), 0, int(text.size()));
        input = text;
    }
    if (!leftOut.isEmpty()) {
        QApplication::beep();
        emit const_cast<TextRule *>(this)->refused(leftOut);
    }
    return Acceptable;
}

QString refusedCharactersMessage(const QStringList &characters)
{
    QString named;
    for (const QString &c : characters) {
        const char32_t code = c.size() == 2 ? QChar::surrogateToUcs4(c[0], c[1]) : c[0].unicode();
        named += code < 0x20 ? QStringLiteral("「U+%1」").arg(uint(code), 4, 16, QLatin1Char('0')).toUpper()
                             : QStringLiteral("「%1」").arg(c);
    }
    return named
        + QStringLiteral("はこのファイルに保存できない文字です。入力から除きました。\n"
                         "会計ファイルは以前のプログラムと同じ文字コード（シフトJIS）で書くため、"
                         "この文字を保存できません。ほかの字に置き換えて入力してください。");
}

void reportRefusedCharacters(QWidget *root, Dialogs &dialogs)
{
    for (TextRule *rule : root->findChildren<TextRule *>()) {
        QObject::connect(rule, &TextRule::refused, root, [root, &dialogs](const QStringList &characters) {
            // Said after the key or paste is over: a box must not lose its
            // focus in the middle of its own change.
            QMetaObject::invokeMethod(
                root,
                [root, &dialogs, characters] {
                    dialogs.message(root, refusedCharactersMessage(characters), Dialogs::Buttons::Ok,
                                    Dialogs::Icon::Warning);
                },
                Qt::QueuedConnection);
        });
    }
}

QValidator::State NumberRule::validate(QString &input, int &pos) const
{
    const QString text = halfWidthNumberText(input);
    if (!(m_signedAmount ? passesAmountRule(text) : passesDigitRule(text))) {
        QApplication::beep();
        return Invalid;
    }
    if (text != input) {
        pos = std::clamp<int>(pos + int(text.size() - input.size()), 0, int(text.size()));
        input = text;
    }
    return Acceptable;
}

NumberBox::NumberBox(bool signedAmount, QWidget *parent) : QLineEdit(parent)
{
    setValidator(new NumberRule(signedAmount, this));
}

QVariant NumberBox::inputMethodQuery(Qt::InputMethodQuery query) const
{
    return query == Qt::ImEnabled ? QVariant(false) : QLineEdit::inputMethodQuery(query);
}

QVariant NumberBox::inputMethodQuery(Qt::InputMethodQuery query, QVariant argument) const
{
    return query == Qt::ImEnabled ? QVariant(false) : QLineEdit::inputMethodQuery(query, argument);
}

// A commit goes in whole, through the box's rule, as a paste does: a text
// with one character the box does not take is refused whole.
void NumberBox::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() && !isReadOnly())
        insert(event->commitString());
    event->accept();
}

QVariant NumberCombo::inputMethodQuery(Qt::InputMethodQuery query) const
{
    return query == Qt::ImEnabled ? QVariant(false) : QComboBox::inputMethodQuery(query);
}

QVariant NumberCombo::inputMethodQuery(Qt::InputMethodQuery query, const QVariant &argument) const
{
    return query == Qt::ImEnabled ? QVariant(false) : QComboBox::inputMethodQuery(query, argument);
}

void NumberCombo::inputMethodEvent(QInputMethodEvent *event)
{
    if (!event->commitString().isEmpty() && lineEdit())
        lineEdit()->insert(event->commitString());
    event->accept();
}

UpDown::UpDown(QLineEdit *buddy, QWidget *parent, int min, int max)
    : QWidget(parent), m_buddy(buddy), m_min(min), m_max(max)
{
    auto *up = new QToolButton(this);
    auto *down = new QToolButton(this);
    up->setArrowType(Qt::UpArrow);
    down->setArrowType(Qt::DownArrow);
    up->setAutoRepeat(true);
    down->setAutoRepeat(true);
    up->setFocusPolicy(Qt::NoFocus);
    down->setFocusPolicy(Qt::NoFocus);
    up->setAccessibleName(QStringLiteral("増やす"));
    down->setAccessibleName(QStringLiteral("減らす"));
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(up);
    layout->addWidget(down);
    connect(up, &QToolButton::clicked, this, [this] { step(1); });
    connect(down, &QToolButton::clicked, this, [this] { step(-1); });
}

void UpDown::step(int delta)
{
    const int v = std::clamp(int(std::clamp(Val(m_buddy->text()), -1e6, 1e6)) + delta, m_min, m_max);
    // A step is the user's edit, as typing is (textEdited follows).
    m_buddy->selectAll();
    m_buddy->insert(QString::number(v));
}
