#pragma once

#include <QStringList>
#include <vector>

// The design and the printouts name Windows fonts; the Japanese fonts a
// Debian desktop has stand in for them. One row per design font, its stand-ins
// in the order they are tried: the IPA fonts the package depends on, IPAex,
// then the Noto CJK fonts most desktops have, and a gothic before nothing, so
// that digits and kana come from one Japanese font rather than from
// fontconfig's general fallback (DroidSansFallback or DejaVu, whose wider
// digits crowd the printouts' right rules).
struct FontStandIns {
    const char *designName;
    QStringList families;
};
const std::vector<FontStandIns> &fontStandIns();

// Registers the table with QFont. Needs a QGuiApplication.
void installFontSubstitutions();
