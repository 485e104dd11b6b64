#include "storage/roster_import.h"

#include "model/values.h"
#include "storage/codec.h"
#include "storage/safe_save.h"

#include <QSet>
#include <QStringDecoder>
#include <algorithm>
#include <utility>

namespace {

constexpr qint64 kMaxRosterBytes = 4 * 1024 * 1024;
constexpr int kMaxShownProblems = 20;

// One CSV field: quotes around it are taken off ("" stands for ").
QString unquoted(QString field)
{
    field = field.trimmed();
    if (field.size() >= 2 && field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')))
        field = field.mid(1, field.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return field;
}

QString decoded(const QByteArray &bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return QString::fromUtf8(bytes.mid(3));
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return text;
    QString sjis;
    qsizetype bad = 0;
    if (Cp932Codec().decode(bytes, sjis, &bad))
        return sjis;
    throw HarumokaError(QStringLiteral("名簿のファイルの文字コードを読み取れません（%1 バイト目）。"
                                       "UTF-8 か Shift_JIS で保存したCSVファイルを選んでください。")
                            .arg(bad + 1));
}

} // namespace

Roster parseRosterCsv(const QByteArray &bytes, qint32 firstId)
{
    const QString text = decoded(bytes);
    QStringList lines = text.split(QLatin1Char('\n'));
    Roster roster;
    QStringList problems;
    QSet<int> numbers;
    bool atFirstLine = true;
    for (int i = 0; i < lines.size(); ++i) {
        QString line = lines[i];
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        const QStringList fields = line.split(QLatin1Char(','));
        const QString numberText = unquoted(fields.value(0)).normalized(QString::NormalizationForm_KC);
        const QString name = unquoted(fields.mid(1).join(QLatin1Char(',')));
        bool ok = false;
        const int number = numberText.toInt(&ok);
        const bool firstLine = std::exchange(atFirstLine, false);
        if (!ok && firstLine && !numberText.isEmpty() && !numberText.front().isDigit())
            continue; // a header line (出席番号,氏名): the first line only
        const QString at = QStringLiteral("%1 行目: ").arg(i + 1);
        if (numberText.isEmpty())
            problems << at + QStringLiteral("出席番号がありません。");
        else if (!ok || number < 1 || number > 32767)
            problems << at + QStringLiteral("出席番号「%1」は 1 から 32767 までの数ではありません。").arg(numberText);
        else if (numbers.contains(number))
            problems << at + QStringLiteral("出席番号 %1 が重複しています。").arg(number);
        else if (name.isEmpty())
            problems << at + QStringLiteral("氏名がありません。");
        else {
            numbers.insert(number);
            roster.append(Pupil{0, qint16(number), name, false});
        }
    }
    if (!problems.isEmpty()) {
        const qsizetype total = problems.size();
        if (total > kMaxShownProblems) {
            problems = problems.mid(0, kMaxShownProblems);
            problems << QStringLiteral("ほか %1 行").arg(total - kMaxShownProblems);
        }
        throw HarumokaError(QStringLiteral("名簿を読み込めませんでした。次の行を直してから読み込み直してください。"
                                           "（名簿は変わっていません）\n")
                            + problems.join(QLatin1Char('\n')));
    }
    if (roster.isEmpty())
        throw HarumokaError(QStringLiteral("名簿のファイルに生徒がいません。出席番号,氏名 の行を入れてください。"));
    std::sort(roster.begin(), roster.end(), [](const Pupil &a, const Pupil &b) { return a.number < b.number; });
    for (Pupil &p : roster)
        p.id = firstId++;
    return roster;
}

Roster readRosterCsv(const QString &path, qint32 firstId)
{
    QByteArray bytes;
    bool tooLarge = false;
    QString error;
    if (!readFileLimited(path, kMaxRosterBytes, bytes, &tooLarge, &error)) {
        if (tooLarge)
            throw HarumokaError(QStringLiteral("名簿のファイル「%1」は大きすぎます。").arg(displayPath(path)));
        throw HarumokaError(QStringLiteral("名簿のファイル「%1」を読み込めません。%2").arg(displayPath(path), error));
    }
    return parseRosterCsv(bytes, firstId);
}
