#include "model/article.h"

#include "model/values.h"

#include <bitset>

MekaluArticle::MekaluArticle() : taDate(zeroDate()) {}

MekaluArticle::~MekaluArticle()
{
    // Unlink iteratively: releasing a long chain recursively would exhaust the stack.
    ArticlePtr next = std::move(taLink);
    while (next && next.use_count() == 1)
        next = std::move(next->taLink);
}

void MekaluArticle::clearList()
{
    ArticlePtr next = std::move(taLink);
    while (next && next.use_count() == 1)
        next = std::move(next->taLink);
}

int schoolMonth(const QDateTime &d)
{
    const int m = d.date().month();
    return m <= 3 ? m + 12 : m;
}

ArticlePtr MekaluArticle::nextIncomeArticle() const
{
    ArticlePtr cur = taLink;
    while (cur && !cur->taIncome)
        cur = cur->taLink;
    return cur;
}

ArticlePtr MekaluArticle::nextSupplyArticle() const
{
    ArticlePtr cur = taLink;
    while (cur && cur->taIncome)
        cur = cur->taLink;
    return cur;
}

void MekaluArticle::insertArticle(const ArticlePtr &ta_rec)
{
    ta_rec->taLink = taLink;
    taLink = ta_rec;
}

void MekaluArticle::removeNextArticle()
{
    if (taLink)
        taLink = taLink->taLink;
}

void MekaluArticle::deleteArticle(const MekaluArticle *ta_delrec)
{
    MekaluArticle *prev = this;
    for (MekaluArticle *cur = taLink.get(); cur; prev = cur, cur = cur->taLink.get()) {
        if (cur == ta_delrec) {
            prev->removeNextArticle();
            return;
        }
    }
}

qint32 MekaluArticle::addArticle(const ArticlePtr &ta_newrec)
{
    MekaluArticle *prev = this;
    qint32 n = 1;
    for (MekaluArticle *cur = taLink.get(); cur; prev = cur, cur = cur->taLink.get()) {
        if (cur->taIncome == ta_newrec->taIncome) {
            if (cur->taDate > ta_newrec->taDate)
                break;
            n = add32(n, 1);
        }
    }
    prev->insertArticle(ta_newrec);
    return n;
}

void MekaluArticle::insertNumberedArticle(const ArticlePtr &ta_insrec, qint16 ta_rec)
{
    MekaluArticle *prev = this;
    MekaluArticle *cur = taLink.get();
    qint16 count = 0;
    while (cur) {
        if (cur->taIncome == ta_insrec->taIncome) {
            if (cur->taDate >= ta_insrec->taDate)
                break;
            count = add16(count, 1);
        }
        prev = cur;
        cur = cur->taLink.get();
    }
    while (cur) {
        if (cur->taIncome == ta_insrec->taIncome)
            count = add16(count, 1);
        if (count < ta_rec) {
            prev = cur;
            cur = cur->taLink.get();
        } else {
            break;
        }
    }
    prev->insertArticle(ta_insrec);
}

ArticlePtr MekaluArticle::getSupplyNumberedArticle(qint16 ta_rec)
{
    // Counting starts with self: callers call it on the first expense entry.
    qint16 count = 0;
    ArticlePtr cur = shared_from_this();
    while (cur) {
        if (!cur->taIncome) {
            count = add16(count, 1);
            if (count == ta_rec)
                return cur;
        }
        cur = cur->taLink;
    }
    return nullptr;
}

qint32 MekaluArticle::sumArticle() const
{
    qint32 total = 0;
    for (const MekaluArticle *cur = taLink.get(); cur; cur = cur->taLink.get())
        total = cur->taIncome ? add32(total, cur->taAmount) : sub32(total, cur->taAmount);
    return total;
}

ArticlePtr MekaluArticle::cloneArticle() const
{
    auto c = std::make_shared<MekaluArticle>();
    c->taDate = taDate;
    c->taReceipt = taReceipt;
    c->taArticle = taArticle;
    c->taSubArticle = taSubArticle;
    c->taPerPerson = taPerPerson;
    c->taStudentsNumber = taStudentsNumber;
    c->taAmount = taAmount;
    c->taIncome = taIncome;
    c->taKey = taKey;
    if (taDetailList)
        c->taDetailList = taDetailList->cloneDetail();
    return c;
}

void MekaluArticle::sortingAddArticle(const ArticlePtr &ta_newrec)
{
    MekaluArticle *prev = this;
    for (MekaluArticle *cur = taLink.get(); cur; prev = cur, cur = cur->taLink.get()) {
        if (cur->taDate > ta_newrec->taDate)
            break;
        if (cur->taDate == ta_newrec->taDate && ta_newrec->taIncome && !cur->taIncome)
            break;
    }
    prev->insertArticle(ta_newrec);
}

ArticlePtr MekaluArticle::sorting() const
{
    auto head = std::make_shared<MekaluArticle>();
    const MekaluArticle *cur = taLink.get();
    if (!cur)
        return head; // an empty list sorts to an empty head
    head->insertArticle(cur->cloneArticle());
    for (cur = cur->taLink.get(); cur; cur = cur->taLink.get())
        head->sortingAddArticle(cur->cloneArticle());
    return head;
}

void MekaluArticle::appendArticleWithSum(const ArticlePtr &ta_source)
{
    MekaluArticle *prev = this;
    for (MekaluArticle *cur = taLink.get(); cur; prev = cur, cur = cur->taLink.get()) {
        if (cur->taArticle == ta_source->taArticle && cur->taSubArticle == ta_source->taSubArticle
            && cur->taIncome == ta_source->taIncome) {
            const qint32 amount = add32(cur->taAmount, ta_source->taAmount);
            if (ta_source->taStudentsNumber > 0)
                cur->taStudentsNumber = add16(cur->taStudentsNumber, ta_source->taStudentsNumber);
            cur->taAmount = amount;
            return;
        }
    }
    ta_source->taLink.reset();
    prev->taLink = ta_source;
}

void MekaluArticle::appendSubArticleWithSum(const ArticlePtr &ta_source)
{
    MekaluArticle *prev = this;
    for (MekaluArticle *cur = taLink.get(); cur; prev = cur, cur = cur->taLink.get()) {
        if (cur->taArticle == ta_source->taArticle && cur->taIncome == ta_source->taIncome) {
            cur->taAmount = add32(cur->taAmount, ta_source->taAmount);
            return;
        }
    }
    ta_source->taLink.reset();
    prev->taLink = ta_source;
}

void MekaluArticle::collect(bool ta_inout, int first, int last, ArticlePtr &ta_original)
{
    clearList();
    while (ta_original) {
        const MekaluArticle &e = *ta_original;
        const int m = schoolMonth(e.taDate);
        if (!e.isBlank() && e.taIncome == ta_inout && first <= m && m <= last) {
            bool viaDetails = false;
            if (!ta_inout && e.taDetailList) {
                // Skip the head and any blank lines before the first real one.
                const MekaluDetail *line = e.taDetailList.get();
                while (line && line->isBlank())
                    line = line->tdLink.get();
                for (; line; line = line->tdLink.get()) {
                    ArticlePtr c = e.cloneArticle();
                    c->taArticle = line->tdArticle;
                    c->taAmount = line->tdAmount;
                    appendArticleWithSum(c);
                    viaDetails = true;
                }
            }
            if (!viaDetails)
                appendArticleWithSum(e.cloneArticle());
        }
        ta_original = ta_original->taLink;
    }
}

void MekaluArticle::collectArticle(bool ta_inout, ArticlePtr &ta_original)
{
    collect(ta_inout, 0, 99, ta_original);
}

void MekaluArticle::collectMonthlyArticle(bool ta_inout, qint16 ta_first_month, qint16 ta_last_month,
                                          ArticlePtr &ta_original)
{
    collect(ta_inout, ta_first_month, ta_last_month, ta_original);
}

QStringList freeReceiptNumbers(const MekaluArticle &head)
{
    // One pass marks the numbers in use; a second picks the lowest free ones.
    std::bitset<1000> used;
    for (const MekaluArticle *cur = head.taLink.get(); cur; cur = cur->taLink.get()) {
        if (cur->taReceipt > 0 && cur->taReceipt < 1000)
            used.set(size_t(cur->taReceipt));
    }
    QStringList out;
    for (int n = 1; n <= 999 && out.size() < 11; ++n) {
        if (!used.test(size_t(n)))
            out << Str(n);
    }
    return out;
}
