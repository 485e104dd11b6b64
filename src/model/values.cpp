#include "model/values.h"

#include <QRegularExpression>
#include <cmath>
#include <limits>

HarumokaError::HarumokaError(const QString &message)
    : std::runtime_error(message.toStdString()), m_message(message) {}

OverflowError::OverflowError()
    : HarumokaError(QStringLiteral("数値が扱える範囲を超えました（桁あふれ）。")) {}

OverflowError::OverflowError(const QString &what)
    : HarumokaError(what + QStringLiteral("が扱える範囲を超えました（桁あふれ）。")) {}

qint32 to32(qint64 v)
{
    if (v < std::numeric_limits<qint32>::min() || v > std::numeric_limits<qint32>::max())
        throw OverflowError();
    return static_cast<qint32>(v);
}

qint16 to16(qint64 v)
{
    if (v < std::numeric_limits<qint16>::min() || v > std::numeric_limits<qint16>::max())
        throw OverflowError();
    return static_cast<qint16>(v);
}

qint32 add32(qint64 a, qint64 b) { return to32(a + b); }
qint32 sub32(qint64 a, qint64 b) { return to32(a - b); }
qint16 add16(qint64 a, qint64 b) { return to16(a + b); }

qint32 mul32(qint64 a, qint64 b)
{
    qint64 r = 0;
    if (__builtin_mul_overflow(a, b, &r))
        throw OverflowError();
    return to32(r);
}

static qint64 roundHalfEven(double v)
{
    if (!std::isfinite(v) || std::fabs(v) > 9.0e15)
        throw OverflowError();
    double r = std::nearbyint(v); // default rounding mode: to nearest, ties to even
    return static_cast<qint64>(r);
}

qint16 roundTo16(double v) { return to16(roundHalfEven(v)); }
qint32 roundTo32(double v) { return to32(roundHalfEven(v)); }

QString Str(qint64 n)
{
    return n < 0 ? QString::number(n) : QLatin1Char(' ') + QString::number(n);
}

double Val(const QString &text)
{
    // Keep only what can make a number, skipping blanks, tabs and line feeds.
    QString s;
    s.reserve(text.size());
    for (QChar c : text) {
        if (c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n')
            || c == QLatin1Char('\r'))
            continue;
        s.append(c);
    }
    int i = 0;
    const int n = int(s.size());
    bool negative = false;
    if (i < n && (s[i] == QLatin1Char('-') || s[i] == QLatin1Char('+'))) {
        negative = s[i] == QLatin1Char('-');
        ++i;
    }
    double value = 0;
    bool any = false;
    while (i < n && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9')) {
        value = value * 10 + (s[i].unicode() - '0');
        any = true;
        ++i;
    }
    if (i < n && s[i] == QLatin1Char('.')) {
        ++i;
        double scale = 0.1;
        while (i < n && s[i] >= QLatin1Char('0') && s[i] <= QLatin1Char('9')) {
            value += (s[i].unicode() - '0') * scale;
            scale /= 10;
            any = true;
            ++i;
        }
    }
    if (any && i < n && (s[i] == QLatin1Char('e') || s[i] == QLatin1Char('E')
                         || s[i] == QLatin1Char('d') || s[i] == QLatin1Char('D'))) {
        int j = i + 1;
        bool eneg = false;
        if (j < n && (s[j] == QLatin1Char('-') || s[j] == QLatin1Char('+'))) {
            eneg = s[j] == QLatin1Char('-');
            ++j;
        }
        int exp = 0;
        bool edigits = false;
        while (j < n && s[j] >= QLatin1Char('0') && s[j] <= QLatin1Char('9')) {
            if (exp < 10000)
                exp = exp * 10 + (s[j].unicode() - '0');
            edigits = true;
            ++j;
        }
        if (edigits)
            value *= std::pow(10.0, eneg ? -exp : exp);
    }
    return negative ? -value : value;
}

QString formatYen(qint64 amount)
{
    const QString text = QStringLiteral("¥") + formatAmount(amount < 0 ? -amount : amount);
    return amount < 0 ? QLatin1Char('-') + text : text;
}

QString formatAmount(qint64 amount)
{
    const bool negative = amount < 0;
    // Work on the magnitude as unsigned so the lowest 64-bit value is safe.
    quint64 mag = negative ? quint64(0) - quint64(amount) : quint64(amount);
    // Written from the right into one buffer: the ledger formats a balance
    // on every row. 20 digits, 6 commas and the sign at most.
    char16_t buf[27];
    char16_t *const end = buf + std::size(buf);
    char16_t *p = end;
    int digits = 0;
    do {
        if (digits > 0 && digits % 3 == 0)
            *--p = u',';
        *--p = char16_t(u'0' + mag % 10);
        mag /= 10;
        ++digits;
    } while (mag != 0);
    if (negative)
        *--p = u'-';
    return QString(reinterpret_cast<const QChar *>(p), end - p);
}

QDateTime makeDate(const QDate &d, const QTime &t)
{
    return QDateTime(d, t, Qt::UTC);
}

QDateTime zeroDate()
{
    // Every new entry starts with it: made once.
    static const QDateTime zero = makeDate(QDate(1899, 12, 30));
    return zero;
}

QString shortDate(const QDateTime &d)
{
    const QDate date = d.date();
    return QStringLiteral("%1/%2/%3")
        .arg(date.year(), 4, 10, QLatin1Char('0'))
        .arg(date.month(), 2, 10, QLatin1Char('0'))
        .arg(date.day(), 2, 10, QLatin1Char('0'));
}

QString generalDate(const QDateTime &d)
{
    const QTime t = d.time();
    if (t == QTime(0, 0))
        return shortDate(d);
    return shortDate(d) + QStringLiteral(" %1:%2:%3")
                              .arg(t.hour())
                              .arg(t.minute(), 2, 10, QLatin1Char('0'))
                              .arg(t.second(), 2, 10, QLatin1Char('0'));
}

namespace {

// Days from 1970-01-01 to a proleptic Gregorian date (H. Hinnant's method).
qint64 daysFromCivil(int y, int m, int d)
{
    y -= m <= 2;
    const qint64 era = (y >= 0 ? y : y - 399) / 400;
    const int yoe = int(y - era * 400);
    const int doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const int doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

int daysInMonth(int y, int m)
{
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
    return m == 2 && leap ? 29 : days[m - 1];
}

// "2026/04/15", the form the file writer writes and most dates come in,
// read without the regular expression and the calendar. False for anything else.
bool parseShortDate(QStringView text, QDateTime &out)
{
    if (text.size() != 10 || text[4] != QLatin1Char('/') || text[7] != QLatin1Char('/'))
        return false;
    int v[3] = {0, 0, 0};
    const int from[3] = {0, 5, 8}, to[3] = {4, 7, 10};
    for (int part = 0; part < 3; ++part) {
        for (int i = from[part]; i < to[part]; ++i) {
            const char16_t c = text[i].unicode();
            if (c < u'0' || c > u'9')
                return false;
            v[part] = v[part] * 10 + (c - u'0');
        }
    }
    const int y = v[0], m = v[1], d = v[2];
    if (y < 100 || m < 1 || m > 12 || d < 1 || d > daysInMonth(y, m))
        return false;
    out = QDateTime::fromMSecsSinceEpoch(daysFromCivil(y, m, d) * 86400000LL, Qt::UTC);
    return true;
}

} // namespace

QDateTime parseDate(QStringView text)
{
    QDateTime quick;
    if (parseShortDate(text, quick))
        return quick;
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(\d{1,4})\s*[/\-.年]\s*(\d{1,2})\s*[/\-.月]\s*(\d{1,2})\s*日?)"
        R"((?:\s+(\d{1,2}):(\d{1,2})(?::(\d{1,2}))?)?\s*$)"));
    const QRegularExpressionMatch m = re.match(text.toString());
    if (!m.hasMatch())
        return QDateTime();
    int year = m.captured(1).toInt();
    if (m.captured(1).size() <= 2)
        year += year < 30 ? 2000 : 1900;
    const QDate date(year, m.captured(2).toInt(), m.captured(3).toInt());
    if (!date.isValid() || year < 100)
        return QDateTime();
    QTime time(0, 0);
    if (m.capturedLength(4) > 0) {
        time = QTime(m.captured(4).toInt(), m.captured(5).toInt(),
                     m.capturedLength(6) > 0 ? m.captured(6).toInt() : 0);
        if (!time.isValid())
            return QDateTime();
    }
    return makeDate(date, time);
}

static QDate s_today;

QDate today()
{
    return s_today.isValid() ? s_today : QDate::currentDate();
}

void setTodayForTesting(const QDate &d)
{
    s_today = d;
}

QString eraDateText(const QDate &d)
{
    QString era;
    int year;
    if (d >= QDate(2019, 5, 1)) {
        era = QStringLiteral("令和");
        year = d.year() - 2018;
    } else if (d >= QDate(1989, 1, 1)) {
        era = QStringLiteral("平成");
        year = d.year() - 1988;
    } else {
        era = QStringLiteral("昭和");
        year = d.year() - 1925;
    }
    return era + QString::number(year) + QStringLiteral("年") + QString::number(d.month())
        + QStringLiteral("月") + QString::number(d.day()) + QStringLiteral("日");
}

QString schoolYearItem(int year)
{
    const QString era = year >= 2019 ? QStringLiteral("令和") : QStringLiteral("平成");
    const int eraYear = year >= 2019 ? year - 2018 : year - 1988;
    return era + QString::number(eraYear) + QStringLiteral("年度(") + QString::number(year)
        + QStringLiteral("年度）");
}

QStringList schoolYearItems(const QDate &today)
{
    const int current = today.month() >= 4 ? today.year() : today.year() - 1;
    QStringList items;
    for (int y = current - 3; y < current + 5; ++y)
        items << schoolYearItem(y);
    return items;
}

QDate parseTypedDate(const QString &typed, int schoolYear)
{
    const QString text = typed.normalized(QString::NormalizationForm_KC).trimmed().toUpper();
    static const QRegularExpression form(QStringLiteral(
        "^(?:(?:([RHS]?)(\\d{1,2}|\\d{4})[/.-])?(\\d{1,2})[/.-](\\d{1,2})|(\\d{4}|\\d{6}|\\d{8}))$"));
    const QRegularExpressionMatch m = form.match(text);
    if (!m.hasMatch())
        return {};
    int year = 0, month = 0, day = 0;
    if (const QString run = m.captured(5); !run.isEmpty()) {
        day = run.right(2).toInt();
        month = run.mid(run.size() - 4, 2).toInt();
        if (run.size() == 8)
            year = run.left(4).toInt();
        else if (run.size() == 6)
            year = 2000 + run.left(2).toInt();
    } else {
        month = m.captured(3).toInt();
        day = m.captured(4).toInt();
        const QString era = m.captured(1), y = m.captured(2);
        if (!era.isEmpty()) {
            if (y.size() > 2 || y.toInt() == 0)
                return {};
            year = y.toInt() + (era == QLatin1String("R") ? 2018 : era == QLatin1String("H") ? 1988 : 1925);
        } else if (y.size() == 4) {
            year = y.toInt();
        } else if (!y.isEmpty()) {
            year = 2000 + y.toInt();
        }
    }
    if (year == 0)
        year = month >= 4 ? schoolYear : schoolYear + 1;
    return QDate(year, month, day);
}
