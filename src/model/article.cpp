#include "model/article.h"

#include "model/periods.h"
#include "model/values.h"

#include <QHash>
#include <algorithm>
#include <bitset>
#include <vector>

namespace {

// Dates the fast paths order by their milliseconds: valid and in UTC, as
// every date the program makes is. Anything else takes the plain walks.
bool comparableDate(const QDateTime &d)
{
    return d.isValid() && d.timeSpec() == Qt::UTC;
}

// What makes two lines of a period list equal (appendArticleWithSum).
struct LineKey {
    QString article;
    QString subArticle;
    bool income;
    bool operator==(const LineKey &o) const
    {
        return income == o.income && article == o.article && subArticle == o.subArticle;
    }
};

size_t qHash(const LineKey &k, size_t seed = 0)
{
    return qHashMulti(seed, k.article, k.subArticle, k.income);
}

} // namespace

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

    // The copies, each kind on its own in list order.
    struct Item {
        qint64 msecs;
        ArticlePtr clone;
    };
    std::vector<Item> incomes, expenses;
    bool comparable = true;
    for (; cur; cur = cur->taLink.get()) {
        comparable = comparable && comparableDate(cur->taDate);
        (cur->taIncome ? incomes : expenses)
            .push_back({comparable ? cur->taDate.toMSecsSinceEpoch() : 0, cur->cloneArticle()});
    }

    if (!comparable) {
        // One sortingAddArticle per copy, in list order.
        size_t i = 0, e = 0;
        for (cur = taLink.get(); cur; cur = cur->taLink.get()) {
            const ArticlePtr &c = (cur->taIncome ? incomes[i++] : expenses[e++]).clone;
            if (cur == taLink.get())
                head->insertArticle(c);
            else
                head->sortingAddArticle(c);
        }
        return head;
    }

    // sortingAddArticle puts each entry after every entry that is earlier,
    // or as early with income before expense, and after those equal to it:
    // a stable sort by date, income before expense on the same date. That
    // is each kind sorted stably by date (already so in an entry list,
    // which addArticle keeps in date order), then merged, income first
    // among equal dates.
    auto earlier = [](const Item &a, const Item &b) { return a.msecs < b.msecs; };
    for (std::vector<Item> *kind : {&incomes, &expenses}) {
        if (!std::is_sorted(kind->begin(), kind->end(), earlier))
            std::stable_sort(kind->begin(), kind->end(), earlier);
    }
    MekaluArticle *tail = head.get();
    size_t i = 0, e = 0;
    while (i < incomes.size() || e < expenses.size()) {
        const bool takeIncome =
            e == expenses.size() || (i < incomes.size() && incomes[i].msecs <= expenses[e].msecs);
        Item &item = takeIncome ? incomes[i++] : expenses[e++];
        tail->taLink = std::move(item.clone);
        tail = tail->taLink.get();
    }
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
    // What appendArticleWithSum does, without walking the list for every
    // line: nothing else touches this list while it is collected, so an
    // index of its lines (one per key, appended in order) finds the line
    // to merge with. A merged line needs no clone of its own.
    QHash<LineKey, MekaluArticle *> index;
    MekaluArticle *tail = this;
    auto append = [&](const MekaluArticle &e, const QString &article, qint32 amount) {
        LineKey key{article, e.taSubArticle, e.taIncome};
        if (MekaluArticle *line = index.value(key)) {
            const qint32 sum = add32(line->taAmount, amount);
            if (e.taStudentsNumber > 0)
                line->taStudentsNumber = add16(line->taStudentsNumber, e.taStudentsNumber);
            line->taAmount = sum;
            return;
        }
        ArticlePtr c = e.cloneArticle();
        c->taArticle = article;
        c->taAmount = amount;
        tail->taLink = c;
        tail = c.get();
        index.insert(std::move(key), tail);
    };

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
                    append(e, line->tdArticle, line->tdAmount);
                    viaDetails = true;
                }
            }
            if (!viaDetails)
                append(e, e.taArticle, e.taAmount);
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

DateOrderInserter::DateOrderInserter(MekaluArticle &head) : m_head(head), m_tail(&head)
{
    MekaluArticle *before = &head;
    for (MekaluArticle *a = before->taLink.get(); a; before = a, a = a->taLink.get()) {
        if (!comparableDate(a->taDate)) {
            m_indexed = false;
            continue;
        }
        auto &dates = m_beforeDate[a->taIncome ? 1 : 0];
        const qint64 key = a->taDate.toMSecsSinceEpoch();
        if (!dates.empty() && key < dates.rbegin()->first)
            m_indexed = false;
        dates.try_emplace(key, before);
    }
    m_tail = before;
}

void DateOrderInserter::insert(const ArticlePtr &a)
{
    if (!m_indexed || !comparableDate(a->taDate)) {
        m_indexed = false;
        m_head.addArticle(a);
        return;
    }
    // addArticle links the entry just before the first entry of its kind
    // dated later, or after the last element when there is none.
    auto &dates = m_beforeDate[a->taIncome ? 1 : 0];
    const qint64 key = a->taDate.toMSecsSinceEpoch();
    const auto later = dates.upper_bound(key);
    MekaluArticle *before;
    if (later == dates.end()) {
        before = m_tail;
        m_tail = a.get();
    } else {
        before = later->second;
        later->second = a.get();
    }
    before->insertArticle(a);
    dates.try_emplace(key, before);
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
