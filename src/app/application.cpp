#include "app/application.h"

#include "model/version.h"
#include "print/fonts.h"

#include <QApplication>
#include <QFont>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

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

    installFontSubstitutions();

    QFont font(QStringLiteral("ＭＳ Ｐゴシック"));
    font.setPointSize(10);
    QApplication::setFont(font);
}
