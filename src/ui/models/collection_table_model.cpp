#include "ui/models/collection_table_model.h"

#include "model/values.h"
#include "print/collection_paper.h"

#include <QColor>
#include <algorithm>

CollectionTableModel::CollectionTableModel(Document &doc, QObject *parent)
    : QAbstractTableModel(parent), m_doc(doc), m_collections(currentCollections()), m_roster(doc.roster())
{
    connect(&doc, &Document::changed, this, &CollectionTableModel::documentChanged);
    recountOwed();
}

std::vector<EntryPtr> CollectionTableModel::currentCollections() const
{
    std::vector<EntryPtr> out;
    for (const EntryPtr &e : m_doc.entries().ofKind(true)) {
        if (e->isCollection())
            out.push_back(e);
    }
    return out;
}

int CollectionTableModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_roster.size());
}

int CollectionTableModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : outstandingColumn() + 1;
}

EntryPtr CollectionTableModel::collectionAt(int column) const
{
    return isCollectionColumn(column) ? m_collections[size_t(column - kFirstCollection)] : nullptr;
}

bool CollectionTableModel::isCollectionColumn(int column) const
{
    return column >= kFirstCollection && column < outstandingColumn();
}

const Pupil *CollectionTableModel::pupilAt(int row) const
{
    return row >= 0 && row < m_roster.size() ? &m_roster.at(row) : nullptr;
}

bool CollectionTableModel::pupilsDiffer(const Entry &c)
{
    return c.marks && !c.marks->unconfirmed && c.pupils != c.marks->count(Mark::Paid);
}

qint64 CollectionTableModel::totalOutstanding() const
{
    qint64 total = 0;
    for (qint64 owed : m_owed)
        total += owed;
    return total;
}

int CollectionTableModel::addOwed(const Entry &c, int sign)
{
    if (!c.marks || c.marks->unconfirmed)
        return 0; // nobody knows who owes
    const qint64 each = qint64(sign) * c.perPupil;
    int owing = 0;
    for (int row = 0; row < m_roster.size(); ++row) {
        if (!m_roster[row].movedOut) {
            m_owed[size_t(row)] += each;
            ++owing;
        }
    }
    for (auto m = c.marks->byPupil.cbegin(); m != c.marks->byPupil.cend(); ++m) {
        const int row = m_rowOfPupil.value(m.key(), -1);
        if (row >= 0 && !m_roster[row].movedOut) {
            m_owed[size_t(row)] -= each;
            --owing;
        }
    }
    return owing;
}

void CollectionTableModel::recountOwed()
{
    m_rowOfPupil.clear();
    for (int row = 0; row < m_roster.size(); ++row)
        m_rowOfPupil.insert(m_roster[row].id, row);
    m_owed.assign(size_t(m_roster.size()), 0);
    m_unpaid.clear();
    for (const EntryPtr &c : m_collections)
        m_unpaid.push_back(addOwed(*c, 1));
}

QVariant CollectionTableModel::data(const QModelIndex &index, int role) const
{
    const Pupil *pupil = index.isValid() ? pupilAt(index.row()) : nullptr;
    if (!pupil)
        return {};
    const int col = index.column();
    if (col == kNumberColumn || col == kNameColumn) {
        if (role == Qt::EditRole)
            return col == kNumberColumn ? QVariant(int(pupil->number)) : QVariant(pupil->name);
        if (role == Qt::DisplayRole) {
            if (col == kNumberColumn)
                return QString::number(pupil->number);
            return pupil->movedOut ? pupil->name + QStringLiteral("（転出）") : pupil->name;
        }
        if (role == Qt::TextAlignmentRole && col == kNumberColumn)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::ForegroundRole && pupil->movedOut)
            return QColor(Qt::gray);
        return {};
    }
    if (col == outstandingColumn()) {
        const qint64 owed = outstanding(index.row());
        if (role == Qt::DisplayRole)
            return owed ? formatYen(owed) : QString();
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignRight | Qt::AlignVCenter);
        if (role == Qt::ForegroundRole && owed)
            return QColor(0xc0, 0, 0);
        return {};
    }
    const EntryPtr c = collectionAt(col);
    if (!c)
        return {};
    const Mark mark = c->marks ? c->marks->mark(pupil->id) : Mark();
    const bool unknown = !c->marks || c->marks->unconfirmed;
    switch (role) {
    case Qt::DisplayRole:
    case Qt::AccessibleTextRole: {
        const QString text = markText(*c, *pupil);
        if (role == Qt::AccessibleTextRole)
            return QStringLiteral("%1 %2、%3").arg(pupil->name, collectionTitle(*c), text);
        return text;
    }
    case Qt::TextAlignmentRole:
        return int(Qt::AlignCenter);
    case Qt::ForegroundRole:
        if (mark.state == Mark::Unpaid && !unknown && !pupil->movedOut)
            return QColor(0xc0, 0, 0);
        if (mark.state == Mark::Exempt || unknown)
            return QColor(Qt::gray);
        return {};
    case Qt::ToolTipRole:
        return QStringLiteral("Space: 済／未　E: 免除／未　Delete: 未");
    default:
        return {};
    }
}

QVariant CollectionTableModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical)
        return role == Qt::DisplayRole ? QVariant(section + 1) : QVariant();
    if (role != Qt::DisplayRole)
        return {};
    if (section == kNumberColumn)
        return QStringLiteral("出席番号");
    if (section == kNameColumn)
        return QStringLiteral("氏名");
    if (section == outstandingColumn())
        return QStringLiteral("未納計");
    const EntryPtr c = collectionAt(section);
    if (!c)
        return {};
    QStringList lines{collectionTitle(*c), c->date.date().toString(QStringLiteral("M/d")) + QStringLiteral("　")
                                                 + formatYen(c->perPupil)};
    if (!c->marks || c->marks->unconfirmed) {
        lines << QStringLiteral("未確認") << QStringLiteral("生徒数 %1").arg(c->pupils);
        return lines.join(QLatin1Char('\n'));
    }
    const int paid = c->marks->count(Mark::Paid);
    const int unpaid = m_unpaid[size_t(section - kFirstCollection)];
    lines << QStringLiteral("済 %1人 %2").arg(paid).arg(formatYen(qint64(paid) * c->perPupil))
          << QStringLiteral("未納 %1").arg(formatYen(qint64(unpaid) * c->perPupil));
    if (pupilsDiffer(*c))
        lines << QStringLiteral("生徒数 %1（済 %2）").arg(c->pupils).arg(paid);
    return lines.join(QLatin1Char('\n'));
}

Qt::ItemFlags CollectionTableModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (index.column() == kNumberColumn || index.column() == kNameColumn)
        f |= Qt::ItemIsEditable;
    return f;
}

bool CollectionTableModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    const Pupil *pupil = index.isValid() ? pupilAt(index.row()) : nullptr;
    if (!pupil || role != Qt::EditRole)
        return false;
    Roster roster = m_doc.roster();
    Pupil &p = roster[index.row()];
    if (index.column() == kNameColumn) {
        const QString name = value.toString().trimmed();
        if (name.isEmpty() || name == p.name)
            return false;
        p.name = name;
    } else if (index.column() == kNumberColumn) {
        bool ok = false;
        const int number = value.toString().normalized(QString::NormalizationForm_KC).toInt(&ok);
        const bool taken = std::any_of(roster.cbegin(), roster.cend(), [&](const Pupil &o) {
            return o.number == number && o.id != p.id && !o.movedOut;
        });
        if (!ok || number < 1 || number > 32767 || taken || number == p.number)
            return false;
        p.number = qint16(number);
        std::stable_sort(roster.begin(), roster.end(),
                         [](const Pupil &a, const Pupil &b) { return a.number < b.number; });
    } else {
        return false;
    }
    m_doc.setRoster(roster);
    return true;
}

void CollectionTableModel::setMark(const QModelIndex &index, const Mark &mark)
{
    const Pupil *pupil = pupilAt(index.row());
    const EntryPtr c = collectionAt(index.column());
    if (pupil && c)
        m_doc.setMark(c->key, pupil->id, mark);
}

void CollectionTableModel::togglePaid(const QModelIndex &index, const QDate &paidOn)
{
    const EntryPtr c = collectionAt(index.column());
    const Pupil *pupil = pupilAt(index.row());
    if (!c || !pupil)
        return;
    const bool paid = c->marks && c->marks->mark(pupil->id).state == Mark::Paid;
    setMark(index, paid ? Mark() : Mark{Mark::Paid, paidOn});
}

void CollectionTableModel::toggleExempt(const QModelIndex &index)
{
    const EntryPtr c = collectionAt(index.column());
    const Pupil *pupil = pupilAt(index.row());
    if (!c || !pupil)
        return;
    const bool exempt = c->marks && c->marks->mark(pupil->id).state == Mark::Exempt;
    setMark(index, exempt ? Mark() : Mark{Mark::Exempt, QDate()});
}

void CollectionTableModel::setUnpaid(const QModelIndex &index)
{
    setMark(index, Mark());
}

void CollectionTableModel::documentChanged(const Document::Update &update)
{
    using C = Document::Change;
    if (!(update.what & (C::IncomeEntries | C::RosterMarks | C::EntriesReplaced)))
        return;
    std::vector<EntryPtr> now = currentCollections();
    const bool sameColumns = !(update.what & C::EntriesReplaced) && now.size() == m_collections.size()
        && std::equal(now.cbegin(), now.cend(), m_collections.cbegin(),
                      [](const EntryPtr &a, const EntryPtr &b) { return a->key == b->key; });
    // A new roster, or collections added, taken out or recorded anew: the table starts again.
    if (!sameColumns || m_roster != m_doc.roster()) {
        beginResetModel();
        m_collections = std::move(now);
        m_roster = m_doc.roster();
        recountOwed();
        endResetModel();
        return;
    }
    for (size_t i = 0; i < now.size(); ++i) {
        if (now[i] == m_collections[i])
            continue;
        addOwed(*m_collections[i], -1);
        m_unpaid[i] = addOwed(*now[i], 1);
        m_collections[i] = now[i];
        const int col = kFirstCollection + int(i);
        emit dataChanged(index(0, col), index(rowCount() - 1, col));
        emit headerDataChanged(Qt::Horizontal, col, col);
    }
    emit dataChanged(index(0, outstandingColumn()), index(rowCount() - 1, outstandingColumn()));
}
