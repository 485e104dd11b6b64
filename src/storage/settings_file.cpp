#include "storage/settings_file.h"

// Placeholder until the storage subsystem lands.
QString defaultSettingsFilePath() { return QString(); }
void readSelectionFile(const QString &, MekaluSelection &, MekaluSelection &) {}
void writeSelectionFile(const QString &, const MekaluSelection &, const MekaluSelection &) {}
