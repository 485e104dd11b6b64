#include "model/selection.h"

#include "model/values.h"

MekaluSelection::MekaluSelection() : tsDate(zeroDate()) {}

MekaluSelection::MekaluSelection(const QString &article, qint16 count, const QDateTime &date)
    : tsDate(date), tsArticle(article), tsCount(count)
{
}

MekaluSelection::~MekaluSelection()
{
    SelectionPtr next = std::move(tsLink);
    while (next && next.use_count() == 1)
        next = std::move(next->tsLink);
}

void MekaluSelection::insertSelection(const SelectionPtr &ts_rec)
{
    if (ts_rec->tsArticle.isEmpty())
        return;
    ts_rec->tsLink = tsLink;
    tsLink = ts_rec;
}

void MekaluSelection::removeNextSelection()
{
    if (tsLink)
        tsLink = tsLink->tsLink;
}

void MekaluSelection::deleteSelection(const MekaluSelection *ts_delrec)
{
    MekaluSelection *prev = this;
    for (MekaluSelection *cur = tsLink.get(); cur; prev = cur, cur = cur->tsLink.get()) {
        if (cur == ts_delrec) {
            prev->removeNextSelection();
            return;
        }
    }
}

void MekaluSelection::addSelection(const SelectionPtr &ts_newrec)
{
    if (ts_newrec->tsArticle.isEmpty())
        return;
    MekaluSelection *prev = this;
    MekaluSelection *cur = tsLink.get();
    while (cur && ts_newrec->tsCount < cur->tsCount) {
        prev = cur;
        cur = cur->tsLink.get();
    }
    prev->insertSelection(ts_newrec);
}

void MekaluSelection::appendSelectionWithCount(const SelectionPtr &ts_source)
{
    if (ts_source->tsArticle.isEmpty())
        return;
    const QDate now = today();
    MekaluSelection *last = this;
    for (MekaluSelection *cur = tsLink.get(); cur; cur = cur->tsLink.get()) {
        if (cur->tsArticle == ts_source->tsArticle) {
            ts_source->tsCount = add16(ts_source->tsCount, 1);
            deleteSelection(cur);
            addSelection(ts_source);
            return;
        }
        last = cur;
    }
    ts_source->tsLink.reset();
    last->tsLink = ts_source;
    // Forget at most one name not used for more than two calendar years.
    MekaluSelection *prev = this;
    for (MekaluSelection *cur = tsLink.get(); cur; prev = cur, cur = cur->tsLink.get()) {
        if (cur->tsDate.date().year() + 2 < now.year()) {
            prev->removeNextSelection();
            return;
        }
    }
}

QStringList selectionArticles(const MekaluSelection &head)
{
    QStringList names;
    for (const MekaluSelection *s = head.tsLink.get(); s; s = s->tsLink.get())
        names << s->tsArticle;
    return names;
}
