// The account data: entries (income or expense bookings) held in
// sentinel-headed singly linked lists. The same class serves the account's
// entry list, the twelve period lists built by the summaries, the sorted copy
// the ledger prints from and the report's article totals. Every operation is
// called on a list head and works on the elements after it; entries are
// shared (std::shared_ptr) so one stays valid while any list or window
// variable still refers to it.
#pragma once

#include "model/detail.h"

#include <QDateTime>
#include <QString>
#include <QStringList>
#include <array>
#include <memory>

class MekaluArticle;
using ArticlePtr = std::shared_ptr<MekaluArticle>;

class MekaluArticle : public std::enable_shared_from_this<MekaluArticle> {
public:
    MekaluArticle();
    ~MekaluArticle();
    MekaluArticle(const MekaluArticle &) = delete;
    MekaluArticle &operator=(const MekaluArticle &) = delete;

    QDateTime taDate;
    qint16 taReceipt = 0;
    QString taArticle;
    QString taSubArticle;
    qint32 taPerPerson = 0;
    qint16 taStudentsNumber = 0;
    qint32 taAmount = 0;
    ArticlePtr taLink;
    bool taIncome = false;
    qint32 taKey = 0;
    DetailPtr taDetailList;

    bool isBlank() const { return taArticle.isEmpty() && taAmount == 0; }

    ArticlePtr cloneArticle() const;
    void collectArticle(bool ta_inout, ArticlePtr &ta_original);
    void collectMonthlyArticle(bool ta_inout, qint16 ta_first_month, qint16 ta_last_month,
                               ArticlePtr &ta_original);
    void appendArticleWithSum(const ArticlePtr &ta_source);
    void appendSubArticleWithSum(const ArticlePtr &ta_source);
    qint32 sumArticle() const;
    void deleteArticle(const MekaluArticle *ta_delrec);
    void insertNumberedArticle(const ArticlePtr &ta_insrec, qint16 ta_rec);
    ArticlePtr getSupplyNumberedArticle(qint16 ta_rec);
    qint32 addArticle(const ArticlePtr &ta_newrec);
    // When every date is a UTC one (as the program makes them) the kinds
    // are sorted apart and merged, in one pass when each kind is already in
    // date order; otherwise one sortingAddArticle per entry. Both give the
    // same list.
    ArticlePtr sorting() const;
    void sortingAddArticle(const ArticlePtr &ta_newrec);
    void removeNextArticle();
    void insertArticle(const ArticlePtr &ta_rec);
    ArticlePtr nextSupplyArticle() const;
    ArticlePtr nextIncomeArticle() const;
    ArticlePtr nextArticle() const { return taLink; }

    // Releases every element after the head.
    void clearList();

private:
    void collect(bool ta_inout, int first, int last, ArticlePtr &ta_original);
};

// Adds many entries to one list with exactly the results of addArticle
// (the same list, the same numbers), but appends an entry that no entry of
// its kind is dated after without walking the list. It remembers the tail
// and the latest date of each kind, so nothing else may change the list
// while it is in use; for loading and building lists in bulk.
class ArticleAppender {
public:
    explicit ArticleAppender(MekaluArticle &head);
    qint32 add(const ArticlePtr &ta_newrec);

private:
    void note(const MekaluArticle &a);

    MekaluArticle &m_head;
    MekaluArticle *m_tail;
    // Per kind ([0] expense, [1] income): entries counted, the latest date,
    // and whether every date so far is one the fast path can compare.
    std::array<qint32, 2> m_count{};
    std::array<QDateTime, 2> m_latest;
    std::array<bool, 2> m_comparable{true, true};
};

// The eleven lowest receipt numbers from 1 to 999 that no entry of the list
// uses, in spaced decimal (" 3"), ascending.
QStringList freeReceiptNumbers(const MekaluArticle &head);

// Month of an entry counted in the school year: April is 4 ... March is 15.
int schoolMonth(const QDateTime &d);
