#pragma once

#include "model/selection.h"

#include <QString>

// The settings file beside the program: the remembered article names of the
// income and expense drop-down lists (sections "Income" and "Supply").
QString defaultSettingsFilePath();
// Appends what the file holds to the two lists through
// appendSelectionWithCount; a missing or malformed file ends the reading
// quietly, keeping what was read.
void readSelectionFile(const QString &path, MekaluSelection &income, MekaluSelection &supply);
// Throws HarumokaError when the file cannot be written.
void writeSelectionFile(const QString &path, const MekaluSelection &income,
                        const MekaluSelection &supply);
