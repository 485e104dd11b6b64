#pragma once

// The design and the printouts name Windows fonts; Debian's IPA fonts stand
// in for them. Needs a QGuiApplication.
void installFontSubstitutions();
