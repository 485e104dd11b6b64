#include "app/application.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

const char *const kAppTitle = "ハルモカ";

static void initResources()
{
    // The resources live in a static library: register them explicitly.
    Q_INIT_RESOURCE(harumoka);
}

void setupApplication(QApplication &app)
{
    initResources();
    QLocale::setDefault(QLocale(QLocale::Japanese, QLocale::Japan));
    QApplication::setApplicationName(QString::fromUtf8(kAppTitle));
    QApplication::setOrganizationName(QString::fromUtf8(kAppTitle));

    auto *translator = new QTranslator(&app);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(translator);

    // The design and the printouts name Windows fonts; Debian's IPA fonts stand in.
    QFont::insertSubstitutions(QStringLiteral("ＭＳ 明朝"), {QStringLiteral("IPAMincho")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐ明朝"), {QStringLiteral("IPAPMincho")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ ゴシック"), {QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), {QStringLiteral("IPAPGothic")});

    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(10);
    QApplication::setFont(font);
}
