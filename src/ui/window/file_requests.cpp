#include "ui/window/file_requests.h"

#include "model/version.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace {

QSettings userSettings()
{
    return QSettings(QString::fromUtf8(kAppTitle), QString::fromUtf8(kAppTitle));
}

const QString kLastFolderKey = QStringLiteral("LastFolder");
const QString kCsvEncodingKey = QStringLiteral("CsvEncoding");

bool isFolder(const QString &path)
{
    return !path.isEmpty() && QFileInfo(path).isDir();
}

} // namespace

QString lastDialogFolder()
{
    const QString folder = userSettings().value(kLastFolderKey).toString();
    return isFolder(folder) ? folder : QString();
}

void rememberDialogFolder(const QString &chosenFile)
{
    if (chosenFile.isEmpty())
        return;
    QSettings s = userSettings();
    s.setValue(kLastFolderKey, QFileInfo(chosenFile).absolutePath());
}

QString dialogStartFolder(const QString &accountFile)
{
    if (!accountFile.isEmpty()) {
        const QString folder = QFileInfo(accountFile).absolutePath();
        if (isFolder(folder))
            return folder;
    }
    const QString last = lastDialogFolder();
    if (!last.isEmpty())
        return last;
    const QString documents = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    return isFolder(documents) ? documents : QDir::homePath();
}

QString proposedOutputPath(const QString &accountFile, const QString &printoutTitle, const QString &suffix)
{
    // completeBaseName: "3年2組.txt" -> "3年2組", a name without a dot stays whole.
    const QString account = QFileInfo(accountFile).completeBaseName();
    const QString name = account.isEmpty() ? printoutTitle : account + QLatin1Char('_') + printoutTitle;
    return QDir(dialogStartFolder(accountFile)).filePath(name + QLatin1Char('.') + suffix);
}

Dialogs::FileRequest openAccountRequest(const QString &accountFile)
{
    // The caption is the one users know; the pattern "*" also lists names
    // without a dot, which "*.*" hides on Linux.
    return {QStringLiteral("開く"), QStringLiteral("すべてのﾌｧｲﾙ (*.*)|*"), dialogStartFolder(accountFile), QString()};
}

Dialogs::FileRequest saveAccountRequest(const QString &accountFile)
{
    return {QStringLiteral("名前をつけて保存する"), QStringLiteral("ﾃｷｽﾄﾌｧｲﾙ (*.txt)|*.txt"),
            dialogStartFolder(accountFile), QStringLiteral("txt")};
}

Dialogs::FileRequest csvExportRequest(const QString &accountFile, const QString &printoutTitle)
{
    Dialogs::FileRequest request{QStringLiteral("CSVに出力"),
                                 QStringLiteral("CSVﾌｧｲﾙ Shift_JIS (*.csv)|*.csv|CSVﾌｧｲﾙ UTF-8 (*.csv)|*.csv"),
                                 proposedOutputPath(accountFile, printoutTitle, QStringLiteral("csv")),
                                 QStringLiteral("csv")};
    request.selectedFilter = userSettings().value(kCsvEncodingKey).toString() == QLatin1String("utf-8") ? 1 : 0;
    return request;
}

CsvEncoding chosenCsvEncoding(int filter)
{
    const CsvEncoding encoding = filter == 1 ? CsvEncoding::Utf8Bom : CsvEncoding::ShiftJis;
    QSettings s = userSettings();
    s.setValue(kCsvEncodingKey, encoding == CsvEncoding::Utf8Bom ? QStringLiteral("utf-8") : QStringLiteral("shift_jis"));
    return encoding;
}
