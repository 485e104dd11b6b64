#include "app/application.h"

#include "model/version.h"
#include "print/fonts.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#ifdef __GLIBC__
#include <malloc.h>
#endif

static void initResources()
{
    // The resources live in a static library: register them explicitly.
    Q_INIT_RESOURCE(harumoka);
}

static void keepFreedMemoryForReuse()
{
#ifdef __GLIBC__
    // Opening, saving and printing a large account take and free buffers of
    // several MB again and again. glibc maps each such buffer afresh and
    // hands the freed top of the heap back to the system at once, so every
    // pass pays page faults for memory it had a moment before. Keep buffers
    // up to 32 MB in the heap and give memory back only past 64 MB free.
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    mallopt(M_TRIM_THRESHOLD, 64 * 1024 * 1024);
    // Small blocks freed together (a file's lines, a printout's texts) are
    // merged with their neighbours as each is freed, while still in the
    // cache, rather than all at once at the next large request.
    mallopt(M_MXFAST, 0);
#endif
}

void setupApplication(QApplication &app)
{
    keepFreedMemoryForReuse();
    initResources();
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QApplication::setApplicationName(QString::fromUtf8(kAppTitle));
    QApplication::setOrganizationName(QString::fromUtf8(kAppTitle));

    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);

    installFontSubstitutions();

    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(10);
    QApplication::setFont(font);
}
