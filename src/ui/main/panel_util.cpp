#include "ui/main/panel_util.h"

#include "model/values.h"

#include <QComboBox>
#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QRegularExpression>
#include <QStringList>

bool passesDigitRule(const QString &text)
{
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
    }
    return true;
}

bool passesAmountRule(const QString &text)
{
    for (QChar c : text) {
        if (c != QLatin1Char(' ') && c != QLatin1Char('-') && c != QLatin1Char(',')
            && !(c >= QLatin1Char('0') && c <= QLatin1Char('9')))
            return false;
    }
    return true;
}

double textValue(const QString &text, bool removeCommas)
{
    if (!removeCommas)
        return Val(text);
    QString t = text;
    t.remove(QLatin1Char(','));
    return Val(t);
}

qint32 readAmountField(const QString &text, const QString &fieldName)
{
    const double v = textValue(text, true);
    if (v < -2147483648.0 || v > 2147483647.0)
        throw HarumokaError(QStringLiteral("「%1」の金額が大きすぎます。-2,147,483,648 から 2,147,483,647 までの金額を入力してください。")
                                .arg(fieldName));
    return roundTo32(v);
}

qint16 readCountField(const QString &text, const QString &fieldName)
{
    const double v = textValue(text, false);
    if (v < -32768.0 || v > 32767.0)
        throw HarumokaError(QStringLiteral("「%1」の値が大きすぎます。32,767 までの数を入力してください。").arg(fieldName));
    return roundTo16(v);
}

namespace {

class FocusSelectFilter : public QObject {
public:
    using QObject::QObject;
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::FocusIn)
            selectAllText(qobject_cast<QWidget *>(watched));
        return false;
    }
};

class KeyFilter : public QObject {
public:
    KeyFilter(QObject *parent, std::function<void(int)> any, std::function<void()> enter,
              std::function<void()> escape = {})
        : QObject(parent), m_any(std::move(any)), m_enter(std::move(enter)), m_escape(std::move(escape))
    {
    }
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        auto *ke = static_cast<QKeyEvent *>(event);
        if (m_escape) {
            if (ke->key() != Qt::Key_Escape)
                return false;
            m_escape();
            return true;
        }
        const bool isEnter = ke->key() == Qt::Key_Return || ke->key() == Qt::Key_Enter;
        if (m_enter && isEnter) {
            m_enter();
            return true;
        }
        if (m_any)
            m_any(isEnter ? 13 : ke->key());
        return false;
    }

private:
    std::function<void(int)> m_any;
    std::function<void()> m_enter;
    std::function<void()> m_escape;
};

QString firstLine(const QString &text)
{
    const qsizetype cut = text.indexOf(QRegularExpression(QStringLiteral("[\r\n\u2028\u2029]")));
    return cut < 0 ? text : text.left(cut);
}

} // namespace

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

void keepSingleLine(QLineEdit *edit)
{
    QObject::connect(edit, &QLineEdit::textChanged, edit, [edit](const QString &t) {
        const QString line = firstLine(t);
        if (line.size() != t.size())
            edit->setText(line);
    });
}

void keepSingleLine(QComboBox *combo)
{
    if (combo->lineEdit())
        keepSingleLine(combo->lineEdit());
}

void numericBox(QLineEdit *edit)
{
    edit->setAttribute(Qt::WA_InputMethodEnabled, false);
    edit->setInputMethodHints(Qt::ImhPreferNumbers);
}

void onEnterKey(QWidget *w, const std::function<void()> &onEnter)
{
    QWidget *target = w;
    if (auto *c = qobject_cast<QComboBox *>(w); c && c->lineEdit())
        target = c->lineEdit();
    target->installEventFilter(new KeyFilter(target, {}, onEnter));
}

void onEscapeKey(QWidget *w, const std::function<void()> &onEscape)
{
    w->installEventFilter(new KeyFilter(w, {}, {}, onEscape));
}

void onAnyKey(QWidget *w, const std::function<void(int)> &onKey)
{
    w->installEventFilter(new KeyFilter(w, onKey, {}));
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
