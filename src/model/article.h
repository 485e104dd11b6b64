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
#include <map>
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

// Links many entries into one list exactly where addArticle would put each
// of them, without walking the list for every entry: for each kind, an
// index from every date to the element linked just before the first entry
// of that date finds the place at once. A list whose kinds are not each in
// date order, or a date the index cannot compare (invalid, or not the UTC
// date-time the program makes), is left to addArticle itself. Nothing else
// may change the list while an inserter is in use. The file reader, the
// document and the benchmarks' generator build their lists with it.
class DateOrderInserter {
public:
    explicit DateOrderInserter(MekaluArticle &head);
    void insert(const ArticlePtr &ta_newrec);

private:
    MekaluArticle &m_head;
    // Per kind ([0] expense, [1] income): date -> the element before the
    // first entry of that date.
    std::array<std::map<qint64, MekaluArticle *>, 2> m_beforeDate;
    MekaluArticle *m_tail;
    bool m_indexed = true;
};

// The eleven lowest receipt numbers from 1 to 999 that no entry of the list
// uses, in spaced decimal (" 3"), ascending.
QStringList freeReceiptNumbers(const MekaluArticle &head);
