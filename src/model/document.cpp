#include "model/document.h"

#include "model/values.h"

#include <iterator>

Document::Document(QObject *parent) : QObject(parent), m_list(std::make_shared<MekaluArticle>())
{
    remember();
}

void Document::remember()
{
    m_state = std::make_shared<const DocumentState>(capture());
}

Document::~Document() = default;

ArticlePtr Document::entryAt(bool income, int n) const
{
    int count = 0;
    for (ArticlePtr cur = m_list->taLink; cur; cur = cur->taLink) {
        if (cur->taIncome == income && ++count == n)
            return cur;
    }
    return nullptr;
}

bool Document::contains(const MekaluArticle *entry) const
{
    for (const MekaluArticle *cur = m_list->taLink.get(); cur; cur = cur->taLink.get()) {
        if (cur == entry)
            return true;
    }
    return false;
}

qint64 Document::remainder() const
{
    qint64 sum = 0;
    for (const MekaluArticle *e = m_list->taLink.get(); e; e = e->taLink.get())
        sum += e->taIncome ? e->taAmount : -qint64(e->taAmount);
    return sum;
}

void Document::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void Document::edited(Changes what)
{
    setModified(true);
    emit changed(what);
}

void Document::edited(Changes what, Edit::Kind kind, const QString &subject, int titleField)
{
    Edit edit{kind, subject, titleField, m_state, nullptr};
    remember();
    edit.after = m_state;
    edited(what);
    emit editDone(edit);
}

void Document::recount()
{
    qint16 income = 0, supply = 0;
    for (const MekaluArticle *e = m_list->taLink.get(); e; e = e->taLink.get()) {
        if (e->taIncome)
            income = add16(income, 1);
        else
            supply = add16(supply, 1);
    }
    m_incomeCount = income;
    m_supplyCount = supply;
}

qint32 Document::recordEntry(const ArticlePtr &entry, const MekaluArticle *source, bool byDate, qint16 row)
{
    const bool replacing = source && contains(source);
    qint16 &count = entry->taIncome ? m_incomeCount : m_supplyCount;
    // Checked before the list changes, so that a failure leaves it whole.
    const qint16 newCount = replacing ? count : add16(count, 1);
    const qint32 newNextKey = add32(m_nextKey, 1);
    if (replacing)
        m_list->deleteArticle(source);
    entry->taKey = m_nextKey;
    m_nextKey = newNextKey;
    qint32 n = 0;
    if (byDate)
        n = m_list->addArticle(entry);
    else
        m_list->insertNumberedArticle(entry, row);
    count = newCount;
    using K = Edit::Kind;
    const bool income = entry->taIncome;
    const K kind = replacing ? (income ? K::RecordIncome : K::RecordSupply)
                             : (entry->isBlank() ? (income ? K::AddIncome : K::AddSupply)
                                                 : (income ? K::RecordIncome : K::RecordSupply));
    edited(kindChange(entry->taIncome) | (replacing && source->taIncome != entry->taIncome
                                               ? kindChange(source->taIncome)
                                               : Changes()),
           kind, entry->taArticle);
    return n;
}

qint32 Document::insertEntry(const ArticlePtr &entry)
{
    return recordEntry(entry, nullptr, true, 0);
}

void Document::removeEntry(const MekaluArticle *entry)
{
    if (!entry || !contains(entry))
        return;
    const bool income = entry->taIncome;
    const QString article = entry->taArticle;
    m_list->deleteArticle(entry);
    qint16 &count = income ? m_incomeCount : m_supplyCount;
    count = qint16(count - 1);
    edited(kindChange(income) | EntryRemoved, income ? Edit::RemoveIncome : Edit::RemoveSupply, article);
}

void Document::ensureDetailList(MekaluArticle &entry)
{
    if (!entry.taDetailList)
        entry.taDetailList = std::make_shared<MekaluDetail>();
}

void Document::recordDetailLine(MekaluArticle &entry, const DetailPtr &line, const MekaluDetail *source,
                                qint16 row)
{
    ensureDetailList(entry);
    if (source)
        entry.taDetailList->deleteDetail(source);
    entry.taDetailList->insertNumberedDetail(line, row);
    edited(DetailLines | kindChange(entry.taIncome), Edit::RecordDetail, line->tdArticle);
}

void Document::removeDetailLine(MekaluArticle &entry, const MekaluDetail *line)
{
    if (!entry.taDetailList || !line)
        return;
    bool found = false;
    for (const MekaluDetail *d = entry.taDetailList->tdLink.get(); d && !found; d = d->tdLink.get())
        found = d == line;
    if (!found)
        return;
    const QString article = line->tdArticle;
    entry.taDetailList->deleteDetail(line);
    edited(DetailLines | kindChange(entry.taIncome), Edit::RemoveDetail, article);
}

void Document::dropBlankDetailLines(MekaluArticle &entry)
{
    if (!entry.taDetailList)
        return;
    bool dropped = false;
    MekaluDetail *prev = entry.taDetailList.get();
    while (prev->tdLink) {
        if (prev->tdLink->isBlank()) {
            prev->removeNextDetail();
            dropped = true;
        } else {
            prev = prev->tdLink.get();
        }
    }
    if (dropped)
        edited(DetailLines | kindChange(entry.taIncome), Edit::DropBlankDetails, entry.taArticle);
}

void Document::setTitle(const AccountTitle &title)
{
    if (title == m_title)
        return;
    const bool fields[] = {title.classMode != m_title.classMode, title.schoolName != m_title.schoolName,
                           title.schoolYear != m_title.schoolYear, title.grade != m_title.grade,
                           title.room != m_title.room, title.charge != m_title.charge,
                           title.title != m_title.title, title.reporter != m_title.reporter,
                           title.carryOverName != m_title.carryOverName};
    int field = -1;
    for (int f = 0; f < int(std::size(fields)); ++f) {
        if (fields[f])
            field = field == -1 ? f : -2;
    }
    m_title = title;
    edited(TitleFields, Edit::Title, QString(), field < 0 ? -1 : field);
}

void Document::sortByDate()
{
    m_list = m_list->sorting();
    remember();
    emit changed(IncomeEntries | SupplyEntries | EntriesReplaced);
}

DocumentState Document::capture() const
{
    DocumentState s;
    s.title = m_title;
    for (ArticlePtr e = m_list->taLink; e; e = e->taLink) {
        s.entries.push_back(e);
        s.detailHeads.push_back(e->taDetailList);
        std::vector<DetailPtr> lines;
        if (e->taDetailList) {
            for (DetailPtr d = e->taDetailList->tdLink; d; d = d->tdLink)
                lines.push_back(d);
        }
        s.detailLines.push_back(std::move(lines));
    }
    return s;
}

void Document::restore(const DocumentState &s)
{
    // Relink from the end so that every link is set before it is followed.
    ArticlePtr next;
    for (size_t i = s.entries.size(); i-- > 0;) {
        const ArticlePtr &e = s.entries[i];
        e->taDetailList = s.detailHeads[i];
        if (e->taDetailList) {
            DetailPtr line;
            for (size_t k = s.detailLines[i].size(); k-- > 0;) {
                s.detailLines[i][k]->tdLink = line;
                line = s.detailLines[i][k];
            }
            e->taDetailList->tdLink = line;
        }
        e->taLink = next;
        next = e;
    }
    m_list->taLink = next;
    m_title = s.title;
    recount();
    remember();
    edited(Everything);
}

void Document::reset()
{
    m_list = std::make_shared<MekaluArticle>();
    AccountTitle title;
    title.carryOverName = m_title.carryOverName;
    m_title = title;
    m_incomeCount = 0;
    m_supplyCount = 0;
    m_damaged = false;
    remember();
    setModified(false);
    emit changed(Everything);
}

void Document::load(const ArticlePtr &list, const AccountTitle &title, qint32 nextKey, bool damaged,
                    const QString &fileName)
{
    m_list = list ? list : std::make_shared<MekaluArticle>();
    m_title = title;
    m_nextKey = nextKey;
    m_damaged = damaged;
    m_fileName = fileName;
    recount();
    remember();
    setModified(false);
    emit changed(Everything);
}
