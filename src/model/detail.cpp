#include "model/detail.h"

#include "model/values.h"

MekaluDetail::~MekaluDetail()
{
    // Unlink iteratively: a long chain released recursively would exhaust the stack.
    DetailPtr next = std::move(tdLink);
    while (next && next.use_count() == 1)
        next = std::move(next->tdLink);
}

DetailPtr MekaluDetail::cloneDetail() const
{
    auto copy = std::make_shared<MekaluDetail>(tdArticle, tdAmount);
    copy->tdLink = tdLink; // the lines after the head are shared, not copied
    return copy;
}

void MekaluDetail::insertDetail(const DetailPtr &td_detail)
{
    td_detail->tdLink = tdLink;
    tdLink = td_detail;
}

void MekaluDetail::removeNextDetail()
{
    if (tdLink)
        tdLink = tdLink->tdLink;
}

qint32 MekaluDetail::sumDetail() const
{
    qint32 total = 0;
    for (const MekaluDetail *cur = tdLink.get(); cur; cur = cur->tdLink.get())
        total = add32(total, cur->tdAmount);
    return total;
}

void MekaluDetail::deleteDetail(const MekaluDetail *td_detail)
{
    MekaluDetail *prev = this;
    for (MekaluDetail *cur = tdLink.get(); cur; prev = cur, cur = cur->tdLink.get()) {
        if (cur == td_detail) {
            prev->removeNextDetail();
            return;
        }
    }
}

void MekaluDetail::appendDetail(const DetailPtr &td_detail)
{
    MekaluDetail *prev = this;
    for (MekaluDetail *cur = tdLink.get(); cur; prev = cur, cur = cur->tdLink.get()) {
        if (cur == td_detail.get())
            return;
    }
    prev->tdLink = td_detail;
}

void MekaluDetail::insertNumberedDetail(const DetailPtr &ta_insrec, qint16 ta_rec)
{
    MekaluDetail *prev = this;
    qint16 i = 0;
    for (MekaluDetail *cur = tdLink.get(); cur; cur = cur->tdLink.get()) {
        i = add16(i, 1);
        if (i == ta_rec)
            break;
        prev = cur;
    }
    prev->insertDetail(ta_insrec);
}
