#include "model/article.h"

bool MekaluArticle::sameBooking(const MekaluArticle &o) const
{
    return taDate == o.taDate && taReceipt == o.taReceipt && taArticle == o.taArticle
        && taSubArticle == o.taSubArticle && taPerPerson == o.taPerPerson
        && taStudentsNumber == o.taStudentsNumber && taAmount == o.taAmount && taIncome == o.taIncome
        && taDetailList == o.taDetailList;
}

qint32 collectionAmount(qint32 perPupil, qint16 pupils)
{
    try {
        return mul32(perPupil, pupils);
    } catch (const OverflowError &) {
        throw OverflowError(QStringLiteral("金額（一人分 × 生徒数）"));
    }
}
