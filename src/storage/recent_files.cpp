#include "storage/recent_files.h"

#include "model/version.h"

#include <QFileInfo>
#include <QSettings>

static QSettings settings()
{
    return QSettings(QString::fromUtf8(kAppTitle), QString::fromUtf8(kAppTitle));
}

QStringList recentFiles()
{
    return settings().value(QStringLiteral("RecentFiles")).toStringList().mid(0, kMaxRecentFiles);
}

static void store(const QStringList &files)
{
    QSettings s = settings();
    s.setValue(QStringLiteral("RecentFiles"), files.mid(0, kMaxRecentFiles));
}

void addRecentFile(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    QStringList files = recentFiles();
    files.removeAll(absolute);
    files.prepend(absolute);
    store(files);
}

void removeRecentFile(const QString &path)
{
    QStringList files = recentFiles();
    files.removeAll(QFileInfo(path).absoluteFilePath());
    store(files);
}
