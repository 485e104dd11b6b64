#include "model/box_rules.h"

#include "model/values.h"

#include <cmath>

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

QString amountBoxText(double amount)
{
    if (std::fabs(amount) < 9.0e18)
        return Str(qint64(amount));
    return (amount < 0 ? QString() : QStringLiteral(" ")) + QString::number(amount, 'f', 0);
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

QString halfWidthNumberText(const QString &committed)
{
    // NFKC folds the full-width forms (０-９, －, ，, ／, the ideographic space).
    QString text = committed.normalized(QString::NormalizationForm_KC);
    for (QChar &c : text) {
        switch (c.unicode()) {
        case 0x2010: case 0x2011: case 0x2012: case 0x2013: case 0x2014: case 0x2015:
        case 0x2212: case 0x30FC: // dashes, the minus sign, the long-vowel mark of kana mode
            c = QLatin1Char('-');
            break;
        case 0x3001: // the ideographic comma of kana mode
            c = QLatin1Char(',');
            break;
        default:
            break;
        }
    }
    return text;
}
