#include "bench_support.h"

#include "account_generator.h"
#include "app/startup.h"

#include <QApplication>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <sys/resource.h>
#include <unistd.h>

static QtMessageHandler s_previousHandler = nullptr;

static void dropPlatformNotes(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (type == QtWarningMsg && text.contains(QLatin1String("does not support propagateSizeHints")))
        return;
    s_previousHandler(type, context, text);
}

void useOffscreenPlatformByDefault()
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    s_previousHandler = qInstallMessageHandler(dropPlatformNotes);
}

static QTemporaryDir &scratchDir()
{
    static QTemporaryDir dir;
    if (!dir.isValid())
        qFatal("cannot create a scratch folder");
    return dir;
}

QString scratchPath(const QString &name)
{
    return scratchDir().filePath(name);
}

QString accountFile(int entries)
{
    static QMap<int, QString> files;
    auto it = files.find(entries);
    if (it != files.end())
        return *it;
    const QString path = scratchPath(QStringLiteral("account-%1.txt").arg(entries));
    writeGeneratedAccount(path, entries);
    files.insert(entries, path);
    return path;
}

ProgramWindow::ProgramWindow()
{
    w = Main(dialogs, scratchPath(QStringLiteral("Mekalu.ini")));
    settle();
}

ProgramWindow::~ProgramWindow()
{
    w.reset();
    settle();
}

void settle()
{
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

double peakRssMiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // ru_maxrss is in KiB on Linux
}

double currentRssMiB()
{
    QFile statm(QStringLiteral("/proc/self/statm"));
    if (!statm.open(QIODevice::ReadOnly))
        return 0;
    const QList<QByteArray> fields = statm.readAll().split(' ');
    if (fields.size() < 2)
        return 0;
    return double(fields[1].toLongLong()) * double(sysconf(_SC_PAGESIZE)) / (1024.0 * 1024.0);
}
