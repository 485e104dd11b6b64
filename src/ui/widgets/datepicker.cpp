#include "ui/widgets/datepicker.h"

#include "model/periods.h"
#include "model/values.h"
#include "ui/widgets/panel_util.h"
#include "ui/widgets/twips.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QChildEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <QEvent>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLocale>
#include <tuple>

DatePicker::DatePicker(QWidget *parent) : QDateEdit(parent)
{
    const QLocale japanese(QLocale::Japanese, QLocale::Japan);
    setLocale(japanese);
    setCalendarPopup(true);
    setDisplayFormat(QStringLiteral("yyyy/MM/dd"));
    setDateRange(QDate(1900, 1, 1), QDate(9999, 12, 31));
    // The calendar pop-up is made ours (adoptCalendar) when it first opens:
    // QDateEdit builds it only then, unless asked for it, and building three
    // of them for a window that may never open one was a tenth of start-up.
    lineEdit()->installEventFilter(this);
}

// A press on the arrow opens the calendar (F4 and Alt+Down press it too):
// the pop-up is built and adopted first, so that QDateEdit sizes it as it
// will look.
void DatePicker::mousePressEvent(QMouseEvent *event)
{
    if (!m_calendar && event->button() == Qt::LeftButton) {
        if (QCalendarWidget *calendar = calendarWidget())
            adoptCalendar(calendar);
    }
    QDateEdit::mousePressEvent(event);
}

void DatePicker::adoptCalendar(QCalendarWidget *calendar)
{
    m_calendar = calendar;
    calendar->setLocale(QLocale(QLocale::Japanese, QLocale::Japan));
    calendar->setFirstDayOfWeek(Qt::Sunday);
    calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    // A date counts as chosen only when the user clicks a day or confirms
    // one with Enter. Browsing with the arrow keys moves the field's date
    // along; leaving with Escape or a click outside chooses nothing and puts
    // the date back as it was when the calendar opened.
    connect(calendar, &QCalendarWidget::clicked, this, &DatePicker::reportChoice);
    connect(calendar, &QCalendarWidget::activated, this, &DatePicker::reportChoice);
}

void DatePicker::setValue(const QDate &d)
{
    m_typed.clear();
    showDate(d);
    m_refused = false;
    m_refusedText.clear();
    m_typedSinceSet = false;
}

void DatePicker::showDate(const QDate &d)
{
    setDate(d);
    // setDate leaves the text alone when the date is the same.
    lineEdit()->setText(date().toString(displayFormat()));
}

bool DatePicker::typingRefused() const
{
    const_cast<DatePicker *>(this)->takeTyped();
    return m_refused;
}

void DatePicker::takeTyped()
{
    if (m_typed.isEmpty())
        return;
    const QString typed = m_typed;
    m_typed.clear();
    QDate d = parseTypedDate(typed, m_schoolYear ? m_schoolYear() : schoolYearOfDate(today()));
    // Four digits that are no month and day are the year typed over the
    // year part (months 19 and above do not exist, so nothing is ambiguous).
    if (!d.isValid() && typed.size() == 4 && std::all_of(typed.begin(), typed.end(), [](QChar c) { return c.isDigit(); }))
        d = QDate(typed.toInt(), date().month(), date().day());
    if (d.isValid() && d >= minimumDate() && d <= maximumDate()) {
        showDate(d);
        return;
    }
    m_refused = true;
    m_refusedText = typed;
    showDate(date());
}

QDate DatePicker::Value() const
{
    const_cast<DatePicker *>(this)->takeTyped();
    // Digits typed into a part but not yet taken (the field takes them on
    // Enter or on leaving, and Enter may have gone to the panel) count.
    const_cast<DatePicker *>(this)->interpretText();
    return date();
}

void DatePicker::showCalendar()
{
    if (!isEnabled() || isReadOnly())
        return;
    // QDateEdit opens its calendar only from a press on its arrow.
    QStyleOptionComboBox opt;
    opt.initFrom(this);
    opt.editable = true;
    opt.subControls = QStyle::SC_All;
    const QPoint arrow = style()->subControlRect(QStyle::CC_ComboBox, &opt, QStyle::SC_ComboBoxArrow, this).center();
    QMouseEvent press(QEvent::MouseButtonPress, arrow, mapToGlobal(arrow), Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(this, &press);
}

QVariant DatePicker::inputMethodQuery(Qt::InputMethodQuery query) const
{
    return query == Qt::ImEnabled ? QVariant(false) : QDateEdit::inputMethodQuery(query);
}

bool DatePicker::event(QEvent *event)
{
    // Should QDateEdit build the pop-up some other way than on a press, it
    // is one of the children added until then: they are watched, and the
    // pop-up is adopted on its first show.
    if (event->type() == QEvent::ChildAdded && !m_calendar) {
        if (auto *child = qobject_cast<QWidget *>(static_cast<QChildEvent *>(event)->child()))
            child->installEventFilter(this);
    }
    // The spin box hands input-method events straight to its line edit.
    if (event->type() == QEvent::InputMethod) {
        inputMethodEvent(static_cast<QInputMethodEvent *>(event));
        return true;
    }
    return QDateEdit::event(event);
}

static bool isDateCharacter(QChar c)
{
    return (c >= QLatin1Char('0') && c <= QLatin1Char('9')) || QStringLiteral("/-.RHSrhs").contains(c);
}

static bool dateCharacters(const QString &text)
{
    return std::all_of(text.begin(), text.end(), isDateCharacter);
}

void DatePicker::inputMethodEvent(QInputMethodEvent *event)
{
    typeCommittedText(this, event->commitString(), dateCharacters);
    event->accept();
}

void DatePicker::moveTwips(int left, int top)
{
    move(twipsToPixels(left, this), twipsToPixels(top, this));
}

int DatePicker::Left() const
{
    return pixelsToTwips(x(), this);
}

int DatePicker::Top() const
{
    return pixelsToTwips(y(), this);
}

void DatePicker::keyPressEvent(QKeyEvent *event)
{
    if (typeFullWidthKey(this, event, dateCharacters)) {
        event->accept();
        return;
    }
    const int key = event->key();
    emit KeyDown(key == Qt::Key_Return || key == Qt::Key_Enter ? 13 : key);
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    // Typed from the field's start: the whole date as written, read when taken.
    const QString typed = event->text();
    const bool dateKey = typed.size() == 1 && isDateCharacter(typed.at(0)) && !(mods & (Qt::ControlModifier | Qt::AltModifier));
    const bool fromStart = lineEdit()->selectionStart() == 0 || (!lineEdit()->hasSelectedText() && lineEdit()->cursorPosition() == 0);
    if (dateKey && (!m_typed.isEmpty() || (fromStart && !QStringLiteral("/-.").contains(typed.at(0))))) {
        m_typed += typed;
        lineEdit()->setText(m_typed);
        m_refused = false;
        m_refusedText.clear();
        event->accept();
        return;
    }
    if (!m_typed.isEmpty() && key == Qt::Key_Backspace) {
        m_typed.chop(1);
        if (m_typed.isEmpty())
            showDate(date());
        else
            lineEdit()->setText(m_typed);
        event->accept();
        return;
    }
    if (!m_typed.isEmpty() && (key == Qt::Key_Return || key == Qt::Key_Enter))
        takeTyped();
    if ((key == Qt::Key_F4 && mods == Qt::NoModifier) || (key == Qt::Key_Down && mods == Qt::AltModifier)) {
        event->accept();
        showCalendar();
        return;
    }
    // The field moves on by itself once a part is complete ("2026", "03"):
    // the "/" typed after it is the one already passed, not a jump over the
    // next part ("2026/03/31" would give 2026/03/03).
    if (key == Qt::Key_Slash && m_movedOn) {
        m_movedOn = false;
        event->accept();
        return;
    }
    const Section before = currentSection();
    auto state = [this] {
        return std::tuple(text(), lineEdit()->cursorPosition(), lineEdit()->selectionStart(),
                          lineEdit()->selectedText());
    };
    const auto stateBefore = state();
    QDateEdit::keyPressEvent(event);
    const bool digit = key >= Qt::Key_0 && key <= Qt::Key_9;
    if (text() != std::get<0>(stateBefore))
        m_typedSinceSet = true;
    m_movedOn = digit && currentSection() != before;
    // A digit the field cannot take changes nothing, not even the cursor,
    // and goes without a word; the entry panels refuse what it shows then.
    if (digit && state() == stateBefore) {
        m_refused = true;
        m_refusedText.clear();
    }
}

void DatePicker::focusInEvent(QFocusEvent *event)
{
    if (m_typed.isEmpty())
        m_refused = false;
    QDateEdit::focusInEvent(event);
}

void DatePicker::focusOutEvent(QFocusEvent *event)
{
    // Leaving the window (another program, or the window closing) keeps the
    // typing for when the user comes back; leaving the field takes it.
    if (event->reason() != Qt::ActiveWindowFocusReason && event->reason() != Qt::PopupFocusReason)
        takeTyped();
    QDateEdit::focusOutEvent(event);
}

// The calendar closes itself on the same clicked/activated signals, so the
// choice may arrive before the popup hides (the hide then reports it) or just
// after it (reported here; the hide took it for a cancel and put the old date
// back, so the chosen one is set again).
void DatePicker::reportChoice(QDate chosen)
{
    m_chosen = true;
    if (m_calendar && m_calendar->window()->isVisible())
        return;
    setDate(chosen);
    emit CloseUp();
}

bool DatePicker::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonRelease
        && static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton) {
        // The click has put the cursor into a part: select the whole part.
        // (The field itself would leave a cursor there, and digits typed in
        // the middle of a full part are refused.) Done after the field's own
        // release handling, which would undo a selection.
        static_cast<QObject *>(lineEdit())->event(event);
        if (hasFocus() && !lineEdit()->hasSelectedText())
            setSelectedSection(currentSection());
        return true;
    }
    if (!m_calendar && event->type() == QEvent::Show && watched != lineEdit()) {
        if (auto *calendar = static_cast<QWidget *>(watched)->findChild<QCalendarWidget *>())
            adoptCalendar(calendar);
    }
    QCalendarWidget *calendar = m_calendar;
    if (calendar && watched == calendar->window()) {
        if (event->type() == QEvent::Show) {
            m_chosen = false;
            m_dateAtOpen = date();
            // The days take the keys (arrows move the day, Enter chooses);
            // without this, on X the popup itself gets them and only Escape works.
            calendar->setFocus(Qt::PopupFocusReason);
        } else if (event->type() == QEvent::Hide) {
            if (m_chosen)
                emit CloseUp();
            else if (m_dateAtOpen.isValid())
                setDate(m_dateAtOpen);
        }
    }
    return QDateEdit::eventFilter(watched, event);
}
