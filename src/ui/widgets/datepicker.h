#pragma once

#include <QDate>
#include <QDateEdit>
#include <functional>

class QCalendarWidget;

// Date picker: a QDateEdit with its calendar popup, showing the short date
// form. CloseUp is emitted after the user chose a date in the calendar and
// the popup closed (Value already holds the date); KeyDown reports every key
// pressed in the field (Qt key codes; Enter and Return are reported as 13).
//
// Typing: from the start of the field (the year selected, as the editor
// opens), what is typed is read as a whole date the way a treasurer writes
// it (parseTypedDate: 5/8, 2026/5/8, R8/5/8, 0508), shown as typed until it
// is taken; a click on the month or day selects that part, so that the
// digits typed next replace it; F4 and Alt+Down open the calendar, whose
// arrow keys move the day and Enter chooses it.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget *parent = nullptr);

    // The date shown, digits typed into the field included.
    QDate Value() const;
    void setValue(const QDate &d);
    // Whether a digit typed since the field last got the focus or a date
    // could not be taken (2026/02/31, month 13, 5/80): the date shown is then
    // not the one typed.
    bool typingRefused() const;
    // What was typed when it could not be read as a date (empty: a digit a
    // part refused).
    QString refusedText() const { return m_refusedText; }
    // Whether the user typed into the field since its date was last set.
    bool typedSinceSet() const { return m_typedSinceSet || !m_typed.isEmpty(); }
    // The school year (of its April) a date typed without its year falls in.
    void setSchoolYear(std::function<int()> year) { m_schoolYear = std::move(year); }

    // Twips placement relative to the parent, as the windows lay editors over grid cells.
    void moveTwips(int left, int top);
    int Left() const;
    int Top() const;
    // Opens the calendar as a click on the drop-down arrow does.
    void showCalendar();

    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

signals:
    void CloseUp();
    void KeyDown(int keyCode);

protected:
    bool event(QEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void inputMethodEvent(QInputMethodEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reportChoice(QDate chosen);
    // Reads the text typed from the field's start as a date: taken, or
    // refused (the date before it shown again).
    void takeTyped();
    void showDate(const QDate &d);
    void adoptCalendar(QCalendarWidget *calendar);

    bool m_chosen = false;
    bool m_movedOn = false; // the last digit completed a part and moved to the next
    bool m_refused = false;
    QString m_typed; // typed from the field's start, not yet taken
    QString m_refusedText;
    bool m_typedSinceSet = false;
    std::function<int()> m_schoolYear;
    QDate m_dateAtOpen;  // restored when the calendar closes without a choice
    QCalendarWidget *m_calendar = nullptr; // the pop-up's, once it has been shown
};
