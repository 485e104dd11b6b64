// Value conventions shared by every subsystem: how numbers, money and dates
// become text and back (the forms the account file and the grids use), and
// checked 16/32-bit arithmetic. Everything that turns a value into text or
// text into a value goes through here, so the file, the grids and the
// printouts agree whatever the machine's locale.
#pragma once

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <stdexcept>

// An error with a message meant for the user (Japanese). The windows catch
// it at their event handlers and show the message; nothing wraps around.
class HarumokaError : public std::runtime_error {
public:
    explicit HarumokaError(const QString &message);
    QString message() const { return m_message; }

private:
    QString m_message;
};

// A value left the range of its 16- or 32-bit field.
class OverflowError : public HarumokaError {
public:
    OverflowError();
    explicit OverflowError(const QString &what);
};

// ---- checked integer arithmetic --------------------------------------------
qint32 add32(qint64 a, qint64 b);
qint32 sub32(qint64 a, qint64 b);
qint32 mul32(qint64 a, qint64 b);
qint16 add16(qint64 a, qint64 b);
qint32 to32(qint64 v);
qint16 to16(qint64 v);

// Round a floating value to a field the way the file reader does (to the
// nearest, halves to even) and check the range.
qint16 roundTo16(double v);
qint32 roundTo32(double v);

// ---- number text ------------------------------------------------------------
// Spaced decimal: " 30", " 0", "-500".
QString Str(qint64 n);
// Leading number of a text: blanks and tabs ignored anywhere, an optional
// sign, digits, an optional fraction and exponent; stops at the first other
// character; no number gives 0.
double Val(const QString &text);
// Whole yen grouped by three: 1234 -> "1,234", -1234 -> "-1,234".
QString formatAmount(qint64 amount);
// "¥1,234"; "-¥1,234" for a negative amount.
QString formatYen(qint64 amount);

// ---- dates ------------------------------------------------------------------
// Entry dates are date-times without a time zone (UTC is used internally so
// that no daylight-saving rule can shift them).
QDateTime makeDate(const QDate &d, const QTime &t = QTime(0, 0));
QDateTime zeroDate();                 // 1899/12/30, the empty date
QString shortDate(const QDateTime &d); // "2003/04/15"
QString generalDate(const QDateTime &d); // short date, plus " H:mm:ss" when not midnight
// Reads the forms people and files use: "2003/4/15", "2003-04-15",
// "2003/04/15 9:30:00", "03/04/15", "2003年4月15日". Returns an invalid
// QDateTime when the text is not a date.
QDateTime parseDate(QStringView text);

// "Today", overridable so tests and screenshots are repeatable.
QDate today();
// A date as a treasurer types it into a date cell: 5/8, 5/08, 2026/5/8,
// 26/5/8, R8/5/8 (令和; H 平成, S 昭和), 0508, 20260508 or 260508; "-" and
// "." separate too, full-width forms count. A date without its year falls
// in the school year `schoolYear` (April to March). Invalid when the text
// is no such date.
QDate parseTypedDate(const QString &typed, int schoolYear);
void setTodayForTesting(const QDate &d); // invalid date: back to the clock

// ---- Japanese era -------------------------------------------------------------
// 平成 up to 30 April 2019, 令和 from 1 May 2019: "令和8年12月7日".
QString eraDateText(const QDate &d);
// Items for the school-year combo: eight school years (April to March) from
// three before the current one, "令和8年度(2026年度）".
QStringList schoolYearItems(const QDate &today);
QString schoolYearItem(int year);
