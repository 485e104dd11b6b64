#include "storage/companion_file.h"

#include "model/values.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSet>

namespace {

const QString kFormat = QStringLiteral("harumoka-companion");
constexpr int kVersion = 1;
constexpr qint64 kMaxCompanionBytes = 64 * 1024 * 1024;

QString identity(const Entry &e)
{
    return QStringLiteral("%1\x1f%2\x1f%3\x1f%4")
        .arg(e.date.date().toString(Qt::ISODate), e.article, e.breakdown)
        .arg(e.perPupil);
}

const char *stateName(Mark::State s)
{
    switch (s) {
    case Mark::Paid: return "paid";
    case Mark::Exempt: return "exempt";
    case Mark::Unpaid: break;
    }
    return "unpaid";
}

[[noreturn]] void damaged(const QString &fileName, const QString &why)
{
    throw HarumokaError(QStringLiteral("名簿ファイル「%1」が壊れているため読み込めません（%2）。")
                            .arg(displayPath(fileName), why));
}

} // namespace

QString companionPath(const QString &accountPath)
{
    const QString target = followSymlinks(accountPath);
    const QString name = QFileInfo(target).fileName();
    const QString folder = target.left(target.size() - name.size());
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    return folder + (dot <= 0 ? name : name.left(dot)) + QStringLiteral(".harumoka");
}

QString companionBackupPath(const QString &companion)
{
    return companion + QStringLiteral(".bak");
}

bool needsCompanion(const Roster &roster)
{
    return !roster.isEmpty();
}

QByteArray encodeCompanion(const Roster &roster, const EntryList &entries)
{
    QJsonArray pupils;
    for (const Pupil &p : roster)
        pupils.append(QJsonObject{{"id", p.id}, {"number", p.number}, {"name", p.name}, {"movedOut", p.movedOut}});
    QJsonArray collections;
    QHash<QString, int> seen;
    for (const EntryPtr &e : entries.ofKind(true)) {
        if (!e->isCollection())
            continue;
        const int occurrence = seen[identity(*e)]++;
        if (!e->marks)
            continue;
        QJsonArray marks;
        for (auto m = e->marks->byPupil.cbegin(); m != e->marks->byPupil.cend(); ++m) {
            QJsonObject mark{{"pupil", m.key()}, {"state", QLatin1String(stateName(m->state))}};
            if (m->state == Mark::Paid && m->paidOn.isValid())
                mark.insert(QStringLiteral("date"), m->paidOn.toString(Qt::ISODate));
            marks.append(mark);
        }
        collections.append(QJsonObject{{"date", e->date.date().toString(Qt::ISODate)},
                                       {"article", e->article},
                                       {"breakdown", e->breakdown},
                                       {"perPupil", e->perPupil},
                                       {"occurrence", occurrence},
                                       {"unconfirmed", e->marks->unconfirmed},
                                       {"marks", marks}});
    }
    const QJsonObject root{{"format", kFormat}, {"version", kVersion}, {"roster", pupils},
                           {"collections", collections}};
    return QJsonDocument(root).toJson(QJsonDocument::Indented);
}

CompanionContent decodeCompanion(const QByteArray &bytes, const QString &fileName, const EntryList &entries)
{
    QJsonParseError error;
    const QJsonDocument json = QJsonDocument::fromJson(bytes, &error);
    if (error.error != QJsonParseError::NoError || !json.isObject())
        damaged(fileName, QStringLiteral("%1 バイト目").arg(error.offset + 1));
    const QJsonObject root = json.object();
    if (root.value(QStringLiteral("format")).toString() != kFormat)
        damaged(fileName, QStringLiteral("ハルモカの名簿ファイルではありません"));
    const int version = root.value(QStringLiteral("version")).toInt(0);
    if (version > kVersion)
        throw HarumokaError(QStringLiteral("名簿ファイル「%1」は新しい版のハルモカで作られています。"
                                           "この版では読めないため、名簿と集金の記録を開かずに上書きもしません。")
                                .arg(displayPath(fileName)));
    if (version < 1)
        damaged(fileName, QStringLiteral("版がありません"));

    CompanionContent out;
    QSet<qint32> ids;
    for (const QJsonValue &v : root.value(QStringLiteral("roster")).toArray()) {
        const QJsonObject o = v.toObject();
        Pupil p;
        p.id = o.value(QStringLiteral("id")).toInt(0);
        p.number = qint16(o.value(QStringLiteral("number")).toInt(0));
        p.name = o.value(QStringLiteral("name")).toString();
        p.movedOut = o.value(QStringLiteral("movedOut")).toBool(false);
        if (p.id <= 0 || ids.contains(p.id) || p.name.isEmpty())
            damaged(fileName, QStringLiteral("名簿の %1 人目").arg(out.roster.size() + 1));
        ids.insert(p.id);
        out.roster.append(p);
    }

    // Each collection of the file finds its entry by what the account file keeps.
    QHash<QString, std::vector<EntryPtr>> byIdentity;
    for (const EntryPtr &e : entries.ofKind(true)) {
        if (e->isCollection())
            byIdentity[identity(*e)].push_back(e);
    }
    std::vector<EntryPtr> all = entries.entries();
    QHash<qint32, size_t> indexOfKey;
    for (size_t i = 0; i < all.size(); ++i)
        indexOfKey.insert(all[i]->key, i);
    for (const QJsonValue &v : root.value(QStringLiteral("collections")).toArray()) {
        const QJsonObject o = v.toObject();
        Entry probe;
        probe.income = true;
        probe.date = makeDate(QDate::fromString(o.value(QStringLiteral("date")).toString(), Qt::ISODate));
        probe.article = o.value(QStringLiteral("article")).toString();
        probe.breakdown = o.value(QStringLiteral("breakdown")).toString();
        probe.perPupil = o.value(QStringLiteral("perPupil")).toInt(0);
        const int occurrence = o.value(QStringLiteral("occurrence")).toInt(0);
        CollectionMarks marks;
        marks.unconfirmed = o.value(QStringLiteral("unconfirmed")).toBool(false);
        for (const QJsonValue &mv : o.value(QStringLiteral("marks")).toArray()) {
            const QJsonObject m = mv.toObject();
            const qint32 pupil = m.value(QStringLiteral("pupil")).toInt(0);
            const QString state = m.value(QStringLiteral("state")).toString();
            if (!ids.contains(pupil) || (state != QLatin1String("paid") && state != QLatin1String("exempt")))
                damaged(fileName, QStringLiteral("%1 の集金の記録").arg(o.value(QStringLiteral("date")).toString()));
            marks.byPupil.insert(pupil, Mark{state == QLatin1String("paid") ? Mark::Paid : Mark::Exempt,
                                             QDate::fromString(m.value(QStringLiteral("date")).toString(), Qt::ISODate)});
        }
        const auto found = byIdentity.constFind(identity(probe));
        if (found == byIdentity.cend() || occurrence < 0 || size_t(occurrence) >= found->size()) {
            out.notFound.append(QStringLiteral("%1 %2 %3").arg(shortDate(probe.date), probe.article, probe.breakdown)
                                    .trimmed());
            continue;
        }
        const EntryPtr &entry = (*found)[size_t(occurrence)];
        auto marked = std::make_shared<Entry>(*entry);
        marked->marks = marks;
        all[indexOfKey.value(entry->key)] = marked;
    }
    out.entries = EntryList(all);
    return out;
}

QStringList orphanCompanions(const QString &accountPath)
{
    const QFileInfo account(followSymlinks(accountPath));
    const QDir folder = account.dir();
    QStringList out;
    for (const QString &name : folder.entryList({QStringLiteral("*.harumoka")}, QDir::Files, QDir::Name)) {
        const QString base = name.chopped(int(QStringLiteral(".harumoka").size()));
        if (!folder.exists(base + QStringLiteral(".txt")) && !folder.exists(base))
            out << folder.filePath(name);
    }
    return out;
}

bool readCompanion(const QString &accountPath, const EntryList &entries, CompanionContent &out)
{
    const QString path = companionPath(accountPath);
    QByteArray bytes;
    bool tooLarge = false, missing = false;
    QString error;
    if (!readFileLimited(path, kMaxCompanionBytes, bytes, &tooLarge, &error, &missing)) {
        if (missing)
            return false;
        if (tooLarge)
            damaged(path, QStringLiteral("大きすぎます"));
        throw HarumokaError(QStringLiteral("名簿ファイル「%1」を読み込めません。%2").arg(displayPath(path), error));
    }
    out = decodeCompanion(bytes, path, entries);
    return true;
}

void applyCompanion(Document &doc, CompanionContent content)
{
    const bool modified = doc.isModified();
    doc.load(std::move(content.entries), doc.title(), doc.nextArticleKey(), doc.isDamaged(), doc.fileName(),
             content.roster);
    doc.setModified(modified);
}

bool readCompanion(const QString &accountPath, Document &doc)
{
    CompanionContent content;
    if (!readCompanion(accountPath, doc.entries(), content))
        return false;
    applyCompanion(doc, std::move(content));
    return true;
}

SaveResult writeCompanion(const QString &accountPath, const Roster &roster, const EntryList &entries,
                          const SaveDeviceFilter &filter)
{
    const QString path = companionPath(accountPath);
    SaveOptions options;
    options.backupPath = companionBackupPath(path);
    options.newFileMode = 0600;
    options.filter = filter;
    SaveResult result = saveFileAtomically(path, encodeCompanion(roster, entries), options);
    // An older file keeps its bits through a save; children's names are never for others.
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner);
    QFile::setPermissions(options.backupPath, QFile::ReadOwner | QFile::WriteOwner);
    return result;
}
