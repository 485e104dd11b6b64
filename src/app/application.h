#pragma once

class QApplication;

// Japanese desktop conventions, whatever the machine's locale: Japanese
// locale and Qt's own Japanese strings, the Windows font names of the
// design mapped onto the IPA fonts, and the application font; freed large
// buffers kept for reuse.
void setupApplication(QApplication &app);

