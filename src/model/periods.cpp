#include "model/periods.h"

#include "model/entry_list.h"
#include "model/values.h"

#include <QRegularExpression>

#include <array>

namespace {

// Carry-over entries move term 1 into term 2 (dated 1 September), term 2
// into term 3 (1 January) and the first half into the second (1 October).
const std::array<PeriodInfo, PeriodCount> kPeriods = {{
    {4, 7, "１学期", "１学期", " 1学期明細", -1, 0, nullptr, "２学期へ繰り越し",
     "円は第２学期学級会計に繰り越させていただきます。", "円は第２学期会計に繰り越させていただきます。"},
    {8, 12, "２学期", "２学期", " 2学期明細", Term1, 9, "１学期の繰越金", "３学期へ繰り越し",
     "円は第３学期学級会計に繰り越させていただきます。", "円は第３学期会計に繰り越させていただきます。"},
    {13, 15, "３学期", "３学期", " 3学期明細", Term2, 1, "２学期の繰越金", nullptr, nullptr, nullptr},
    {4, 9, "前期", "前期", " 前期明細", -1, 0, nullptr, "後期へ繰り越し",
     "円は後期学級会計に繰り越させていただきます。", "円は後期会計に繰り越させていただきます。"},
    {10, 15, "後期", "後期", " 後期明細", Half1, 10, "前期の繰越金", nullptr, nullptr, nullptr},
    {1, 99, "", "年度", " 年間明細", -1, 0, nullptr, nullptr, nullptr, nullptr},
}};

const std::array<const char *, 14> kTitles = {
    "一学期元帳", "一学期会計報告", "二学期元帳", "二学期会計報告", "三学期元帳", "三学期会計報告",
    "前期元帳",   "前期会計報告",   "後期元帳",   "後期会計報告",   "年間元帳",   "年間会計報告",
    "集金確認表", "未納のお知らせ",
};

} // namespace

const PeriodInfo &periodInfo(int period)
{
    if (period < 0 || period >= PeriodCount)
        throw HarumokaError(QStringLiteral("期間の指定が正しくありません。"));
    return kPeriods[size_t(period)];
}

int schoolMonth(const QDateTime &d)
{
    const int m = d.date().month();
    return m <= 3 ? m + 12 : m;
}

bool periodContains(int period, const QDateTime &date)
{
    const PeriodInfo &p = periodInfo(period);
    const int m = schoolMonth(date);
    return p.firstMonth <= m && m <= p.lastMonth;
}

int schoolYearOfDate(const QDate &date)
{
    return date.month() <= 3 ? date.year() - 1 : date.year();
}

int schoolYearOf(const QString &schoolYearText, const EntryList &entries)
{
    static const QRegularExpression western(QStringLiteral("([0-9]{4})年度"));
    const QRegularExpressionMatch m = western.match(schoolYearText);
    if (m.hasMatch())
        return m.captured(1).toInt();
    QDate latest;
    for (const EntryPtr &e : entries.entries()) {
        if (e->date.isValid() && e->date.date().year() > 1900 && (!latest.isValid() || e->date.date() > latest))
            latest = e->date.date();
    }
    return schoolYearOfDate(latest.isValid() ? latest : today());
}

Printout Printout::fromKind(int printKind)
{
    if (printKind < 1 || printKind > kLastKind)
        throw HarumokaError(QStringLiteral("印刷の種類の指定が正しくありません。"));
    if (printKind > 12)
        return Printout{Year, false, printKind == 13 ? Checklist : Reminders};
    return Printout{Period((printKind - 1) / 2), printKind % 2 == 1};
}

QString Printout::title() const
{
    return QString::fromUtf8(kTitles[size_t(kind() - 1)]);
}
