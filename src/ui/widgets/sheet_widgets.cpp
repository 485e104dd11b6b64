#include "ui/widgets/sheet_widgets.h"

#include "model/values.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/twips.h"

#include <QApplication>
#include <QInputMethodEvent>
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

QLineEdit *lineEdit(QWidget *parent, int left, int top, int width, int height)
{
    auto *e = new QLineEdit(parent);
    place(e, left, top, width, height);
    keepSingleLine(e);
    selectAllOnFocus(e);
    return e;
}

static QComboBox *setUpCombo(QComboBox *c, int left, int top, int width, int height)
{
    c->setEditable(true);
    c->setInsertPolicy(QComboBox::NoInsert);
    c->setMaxVisibleItems(20);
    place(c, left, top, width, height);
    keepSingleLine(c);
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
    keepSingleLine(e);
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
