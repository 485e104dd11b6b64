#include "model/document.h"

#include "model/periods.h"
#include "model/values.h"

#include <iterator>
#include <limits>

Document::Document(QObject *parent) : QObject(parent) {}

Document::~Document() = default;

void Document::setModified(bool modified)
{
    if (m_modified == modified)
        return;
    m_modified = modified;
    emit modifiedChanged(modified);
}

void Document::apply(const EntryOp &op, Update &update, bool reverse)
{
    const EntryPtr &from = reverse ? op.after : op.before;
    const EntryPtr &to = reverse ? op.before : op.after;
    const EntryPtr &any = to ? to : from;
    using R = RowChange;
    if (from && to) {
        m_entries.replaceAt(op.place, to);
        update.rows.push_back({any->income, R::Updated, op.place.row, to});
    } else if (to) {
        m_entries.insertAt(op.place, to);
        update.rows.push_back({any->income, R::Inserted, op.place.row, to});
    } else {
        m_entries.removeAt(op.place);
        update.rows.push_back({any->income, R::Removed, op.place.row, nullptr});
        update.what |= EntryRemoved;
    }
    update.what |= any->income ? IncomeEntries : SupplyEntries;
}

void Document::finish(Update &update)
{
    setModified(true);
    emit changed(update);
}

void Document::edited(Edit &edit, Update &update)
{
    finish(update);
    emit editDone(edit);
}

EntryPtr Document::recordEntry(const Entry &entry, const EntryPtr &source)
{
    // The entry the copy came from, as the document holds it now (its
    // detail lines may have changed since the copy was made).
    const EntryPtr current = source ? m_entries.find(source->key) : nullptr;
    Entry copy = entry;
    if (current) {
        copy.details = current->details;
        copy.marks = current->marks;
        if (copy.sameBooking(*current))
            return current;
    } else if (count(copy.income) == std::numeric_limits<qint16>::max()) {
        // Checked before the list changes, so that a failure leaves it whole.
        throw OverflowError();
    }
    copy.key = m_nextKey;
    m_nextKey = add32(m_nextKey, 1);
    const auto recorded = std::make_shared<const Entry>(std::move(copy));

    using K = Edit::Kind;
    const bool income = recorded->income;
    Edit edit(current || !recorded->isBlank() ? (income ? K::RecordIncome : K::RecordSupply)
                                              : (income ? K::AddIncome : K::AddSupply),
              recorded->article);
    edit.sourceKey = current ? current->key : -1;
    edit.resultKey = recorded->key;
    Update update;
    if (current && current->date == recorded->date && current->income == income) {
        // Same day: the entry keeps its place.
        edit.ops.push_back({m_entries.placeOf(current->key), current, recorded});
        apply(edit.ops.back(), update, false);
    } else {
        if (current) {
            edit.ops.push_back({m_entries.placeOf(current->key), current, nullptr});
            apply(edit.ops.back(), update, false);
        }
        edit.ops.push_back({m_entries.placeFor(*recorded), nullptr, recorded});
        apply(edit.ops.back(), update, false);
    }
    edited(edit, update);
    return recorded;
}

void Document::removeEntry(const EntryPtr &which)
{
    const EntryPtr entry = which ? m_entries.find(which->key) : nullptr;
    if (!entry)
        return;
    Edit edit(entry->income ? Edit::RemoveIncome : Edit::RemoveSupply, entry->article);
    edit.ops.push_back({m_entries.placeOf(entry->key), entry, nullptr});
    Update update;
    apply(edit.ops.back(), update, false);
    edited(edit, update);
}

EntryPtr Document::withDetails(qint32 key, const std::function<void(::DetailLines &)> &change) const
{
    const EntryPtr old = entry(key);
    if (!old)
        return nullptr;
    auto copy = std::make_shared<Entry>(*old);
    if (!copy->details)
        copy->details.emplace();
    change(*copy->details);
    return copy;
}

void Document::replaceEntry(Edit::Kind kind, const QString &subject, const EntryPtr &old, const EntryPtr &entry)
{
    Edit edit(kind, subject);
    edit.sourceKey = edit.resultKey = entry->key;
    edit.ops.push_back({m_entries.placeOf(old->key), old, entry});
    Update update;
    apply(edit.ops.back(), update, false);
    update.what |= kind == Edit::Marks ? RosterMarks : DetailLines;
    edited(edit, update);
}

void Document::recordDetailLine(qint32 key, int index, const DetailLine &line, bool replacing)
{
    const EntryPtr old = entry(key);
    // A line recorded as it was changes nothing.
    if (replacing && old && old->details && index >= 0 && index < old->details->size()
        && old->details->at(index) == line)
        return;
    const EntryPtr changed = withDetails(key, [&](::DetailLines &lines) {
        const qsizetype at = std::clamp<qsizetype>(index, 0, lines.size());
        if (replacing && at < lines.size())
            lines[at] = line;
        else
            lines.insert(at, line);
    });
    if (changed)
        replaceEntry(Edit::RecordDetail, line.article, old, changed);
}

void Document::removeDetailLine(qint32 key, int index)
{
    const EntryPtr old = entry(key);
    if (!old || !old->details || index < 0 || index >= old->details->size())
        return;
    const QString article = old->details->at(index).article;
    replaceEntry(Edit::RemoveDetail, article, old, withDetails(key, [&](::DetailLines &lines) { lines.removeAt(index); }));
}

void Document::dropBlankDetailLines(qint32 key)
{
    const EntryPtr old = entry(key);
    if (!old || !old->details
        || std::none_of(old->details->cbegin(), old->details->cend(),
                        [](const DetailLine &d) { return d.isBlank(); }))
        return;
    replaceEntry(Edit::DropBlankDetails, old->article, old, withDetails(key, [](::DetailLines &lines) {
                     lines.removeIf([](const DetailLine &d) { return d.isBlank(); });
                 }));
}

void Document::ensureDetailList(qint32 key)
{
    const EntryPtr old = entry(key);
    if (!old || old->details)
        return;
    // No edit: the file and the grids look the same; only the print check
    // sees an empty list.
    Update update;
    apply({m_entries.placeOf(key), old, withDetails(key, [](::DetailLines &) {})}, update, false);
    emit changed(update);
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
    Edit edit(Edit::Title, QString(), field < 0 ? -1 : field);
    edit.titleBefore = m_title;
    edit.titleAfter = title;
    m_title = title;
    Update update{TitleFields, {}};
    edited(edit, update);
}

void Document::setRoster(const Roster &roster)
{
    if (roster == m_roster)
        return;
    Edit edit(Edit::RosterChange, QString());
    edit.rosterBefore = m_roster;
    edit.rosterAfter = roster;
    Update update{RosterMarks, {}};
    if (m_roster.isEmpty()) {
        const int pupils = activePupils(roster);
        for (const EntryPtr &e : std::vector<EntryPtr>(m_entries.ofKind(true))) {
            if (!e->isCollection() || e->marks)
                continue;
            auto marked = std::make_shared<Entry>(*e);
            marked->marks.emplace();
            if (e->pupils == pupils) {
                for (const Pupil &p : roster) {
                    if (!p.movedOut)
                        marked->marks->byPupil.insert(p.id, Mark{Mark::Paid, e->date.date()});
                }
            } else {
                marked->marks->unconfirmed = true;
            }
            edit.ops.push_back({m_entries.placeOf(e->key), e, marked});
            apply(edit.ops.back(), update, false);
        }
    }
    m_roster = roster;
    edited(edit, update);
}

void Document::setMark(qint32 entryKey, qint32 pupilId, const Mark &mark)
{
    const EntryPtr old = entry(entryKey);
    if (!old || !old->isCollection())
        return;
    auto marked = std::make_shared<Entry>(*old);
    CollectionMarks &marks = marked->marks ? *marked->marks : marked->marks.emplace();
    const bool following = !marks.unconfirmed && old->pupils == marks.count(Mark::Paid);
    marks.unconfirmed = false;
    if (mark.state == Mark::Unpaid)
        marks.byPupil.remove(pupilId);
    else
        marks.byPupil.insert(pupilId, mark);
    if (following) {
        marked->pupils = qint16(marks.count(Mark::Paid));
        marked->amount = collectionAmount(marked->perPupil, marked->pupils);
    }
    if (marked->sameBooking(*old))
        return;
    replaceEntry(Edit::Marks, old->breakdown.isEmpty() ? old->article : old->breakdown, old, marked);
}

bool Document::hasMarks(qint32 pupilId) const
{
    const auto &incomes = m_entries.ofKind(true);
    return std::any_of(incomes.cbegin(), incomes.cend(),
                       [pupilId](const EntryPtr &e) { return e->marks && e->marks->byPupil.contains(pupilId); });
}

void Document::matchPupilsToMarks(qint32 entryKey)
{
    const EntryPtr old = entry(entryKey);
    if (!old || !old->isCollection())
        return;
    auto matched = std::make_shared<Entry>(*old);
    const CollectionMarks marks = old->marks.value_or(CollectionMarks());
    matched->pupils = qint16(marks.count(Mark::Paid));
    matched->amount = collectionAmount(matched->perPupil, matched->pupils);
    matched->marks = marks;
    matched->marks->unconfirmed = false;
    if (!matched->sameBooking(*old))
        replaceEntry(Edit::Marks, old->breakdown.isEmpty() ? old->article : old->breakdown, old, matched);
}

void Document::undo(const Edit &edit)
{
    Update update;
    for (auto op = edit.ops.rbegin(); op != edit.ops.rend(); ++op)
        apply(*op, update, true);
    if (edit.titleBefore) {
        m_title = *edit.titleBefore;
        update.what |= TitleFields;
    }
    if (edit.rosterBefore) {
        m_roster = *edit.rosterBefore;
        update.what |= RosterMarks;
    }
    if (edit.kind == Edit::RecordDetail || edit.kind == Edit::RemoveDetail || edit.kind == Edit::DropBlankDetails)
        update.what |= DetailLines;
    if (edit.kind == Edit::Marks)
        update.what |= RosterMarks;
    finish(update);
}

void Document::redo(const Edit &edit)
{
    Update update;
    for (const EntryOp &op : edit.ops)
        apply(op, update, false);
    if (edit.titleAfter) {
        m_title = *edit.titleAfter;
        update.what |= TitleFields;
    }
    if (edit.rosterAfter) {
        m_roster = *edit.rosterAfter;
        update.what |= RosterMarks;
    }
    if (edit.kind == Edit::RecordDetail || edit.kind == Edit::RemoveDetail || edit.kind == Edit::DropBlankDetails)
        update.what |= DetailLines;
    if (edit.kind == Edit::Marks)
        update.what |= RosterMarks;
    finish(update);
}

void Document::reset()
{
    m_entries = EntryList();
    AccountTitle title;
    title.carryOverName = m_title.carryOverName;
    m_title = title;
    m_roster.clear();
    m_damaged = false;
    setModified(false);
    emit changed(Update{Everything, {}});
}

void Document::load(EntryList entries, const AccountTitle &title, qint32 nextKey, bool damaged,
                    const QString &fileName, const Roster &roster)
{
    m_entries = std::move(entries);
    m_title = title;
    m_roster = roster;
    m_nextKey = nextKey;
    m_damaged = damaged;
    m_fileName = fileName;
    setModified(false);
    emit changed(Update{Everything, {}});
}

NewAccount nextSchoolYear(const Document &doc)
{
    NewAccount next;
    next.title = doc.title();
    const int year = schoolYearOf(next.title.schoolYear, doc.entries()) + 1;
    next.title.schoolYear = schoolYearItem(year);
    const qint32 remainder = to32(doc.remainder());
    if (remainder != 0) {
        auto carry = std::make_shared<Entry>();
        carry->income = true;
        carry->date = makeDate(QDate(year, 4, 1));
        carry->article = QStringLiteral("前年度からの繰越金");
        carry->amount = remainder;
        carry->key = next.nextKey++;
        next.entries = EntryList({carry});
    }
    return next;
}
