// The program's name and version, one place for the window caption, the
// command line's --version and the settings' application name.
#pragma once

#include "harumoka_version.h"

#include <QString>

// The application's title (window placement, settings, message boxes).
inline constexpr const char *kAppTitle = "ハルモカ";

// "ハルモカ　Ver1.0.11": the title, an ideographic space, then the version.
inline QString versionCaption()
{
    return QString::fromUtf8(kAppTitle) + QStringLiteral("　Ver") + QStringLiteral(HARUMOKA_VERSION);
}
