#include "model/article.h"

bool Entry::sameBooking(const Entry &o) const
{
    return date == o.date && receipt == o.receipt && article == o.article
        && breakdown == o.breakdown && perPupil == o.perPupil
        && pupils == o.pupils && amount == o.amount && income == o.income
        && details == o.details && marks == o.marks;
}

qint32 collectionAmount(qint32 perPupil, qint16 pupils)
{
    try {
        return mul32(perPupil, pupils);
    } catch (const OverflowError &) {
        throw OverflowError(QStringLiteral("金額（一人分 × 生徒数）"));
    }
}
