#include "storage/settings_file.h"

#include "model/values.h"
#include "storage/codec.h"
#include "storage/number_line.h"
#include "storage/safe_save.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <limits>
#include <optional>

namespace {

const QString kIncome = QStringLiteral("Income");
const QString kSupply = QStringLiteral("Supply");
const QString kFileName = QStringLiteral("Mekalu.ini");
// A real file holds a few hundred names; anything far larger is not ours.
constexpr qint64 kMaxSettingsBytes = 4 * 1024 * 1024;
// Every name read walks the list it joins, so only this many names of a
// section are read: the quarter of a million names of a broken or hostile
// file kept the program from starting for many minutes.
constexpr int kMaxRecordsPerSection = 2000;
// A longer line is no name (the account file holds no longer value) and
// ends the reading.
constexpr qsizetype kMaxNameLength = 32767;

void appendRecords(QByteArray &out, Cp932Codec &codec, const SelectionList &list)
{
    for (const RememberedName &s : list.records()) {
        if (s.name.contains(QLatin1Char('\r')) || s.name.contains(QLatin1Char('\n')))
            continue;
        QByteArray name;
        if (!codec.encode(s.name, name))
            continue;
        out += name + "\r\n";
        out += Str(s.count).toLatin1() + "\r\n";
        out += generalDate(s.lastUsed).toLatin1() + "\r\n";
    }
}

} // namespace

QString defaultSettingsFilePath()
{
    return defaultSettingsFilePath(QCoreApplication::applicationDirPath());
}

QString defaultSettingsFilePath(const QString &programDir)
{
    const QDir dir(programDir);
    const bool buildTree = !programDir.isEmpty()
        && (dir.exists(QStringLiteral("CMakeCache.txt")) || dir.exists(QStringLiteral("../CMakeCache.txt")));
    if (buildTree && QFileInfo(programDir).isWritable())
        return dir.filePath(kFileName);
    const QString configDir = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    QDir().mkpath(configDir);
    return QDir(configDir).filePath(kFileName);
}

QByteArray encodeSelectionFile(const SelectionList &income, const SelectionList &supply)
{
    Cp932Codec codec;
    QByteArray out = kIncome.toLatin1() + "\r\n";
    appendRecords(out, codec, income);
    out += kSupply.toLatin1() + "\r\n";
    appendRecords(out, codec, supply);
    return out;
}

void writeSelectionFile(const QString &path, const SelectionList &income,
                        const SelectionList &supply)
{
    const QByteArray content = encodeSelectionFile(income, supply);
    try {
        // A link named like the settings file is replaced, never written
        // through: it may point anywhere, even at a device.
        saveFileAtomically(path, content);
    } catch (const SaveError &e) {
        throw HarumokaError(QStringLiteral("設定ファイル「%1」に書き込めませんでした。"
                                           "入力した項目名の一覧は保存されていません。\n%2")
                                .arg(displayPath(path), e.reason()));
    }
}

QString readSelectionFile(const QString &path, SelectionList &income, SelectionList &supply)
{
    QByteArray bytes;
    bool tooLarge = false, missing = false;
    QString error;
    if (!readFileLimited(path, kMaxSettingsBytes, bytes, &tooLarge, &error, &missing)) {
        // No file yet is the usual first start.
        if (missing)
            return QString();
        if (tooLarge)
            error = QStringLiteral("ファイルが大きすぎます（%1 MB まで）。").arg(kMaxSettingsBytes / (1024 * 1024));
        return QStringLiteral("設定ファイル「%1」を読み込めませんでした。入力した項目名の一覧は空で始まります。\n%2")
            .arg(displayPath(path), error);
    }
    parseSelectionFile(bytes, income, supply);
    return QString();
}

void parseSelectionFile(const QByteArray &bytes, SelectionList &income, SelectionList &supply)
{
    QString text;
    Cp932Codec codec;
    // Undecodable bytes end the file where they start; the partial line
    // they sit in is dropped.
    bool truncated = !codec.decode(bytes, text);
    if (truncated) {
        const qsizetype lastBreak = std::max(text.lastIndexOf(QLatin1Char('\n')),
                                             text.lastIndexOf(QLatin1Char('\r')));
        text.truncate(lastBreak + 1);
    }

    LineCursor cursor(text);
    auto next = [&]() -> std::optional<QString> {
        if (cursor.atEnd())
            return std::nullopt;
        const QStringView line = cursor.next();
        if (line.size() > kMaxNameLength)
            return std::nullopt;
        return line.toString();
    };

    const std::optional<QString> first = next();
    if (!first || *first != kIncome)
        return;
    SelectionList *section = &income;
    std::optional<QString> line = next();
    int records = 0;
    // A line is only taken as the start of a record when more lines follow it.
    while (line && !cursor.atEnd()) {
        if (*line == kSupply) {
            section = &supply;
            records = 0;
            line = next();
            if (!line)
                return;
        }
        if (records == kMaxRecordsPerSection) {
            // The rest of the section is passed over, record by record.
            if (section == &supply)
                return;
            next();
            next();
            line = next();
            continue;
        }
        ++records;
        const std::optional<QString> count = next();
        const std::optional<QString> date = next();
        if (!count || !date)
            return;
        RememberedName record;
        record.name = *line;
        // Read strictly like the account file's numbers: a damaged count
        // (" 3 0 0 0 0", "1e4") would otherwise put a stray name at the top
        // of the list for years.
        qint64 uses = 0;
        if (parseNumberLine(*count, std::numeric_limits<qint16>::min(),
                            std::numeric_limits<qint16>::max(), &uses)
            != NumberLine::Ok)
            return;
        record.count = qint16(uses);
        record.lastUsed = parseDate(*date);
        if (!record.lastUsed.isValid())
            return;
        try {
            section->appendSelectionWithCount(record);
        } catch (const OverflowError &) {
            return; // a count of 32,767 used once more
        }
        line = next();
    }
}
