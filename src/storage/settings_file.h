#pragma once

#include "model/selection.h"

#include <QString>

// The settings file: the remembered article names of the income and expense
// drop-down lists, in sections "Income" and "Supply", three lines a name
// (name, use count, last use), code page 932, CR LF line ends.

// "Mekalu.ini" in the per-user configuration folder (created when missing);
// in the program's folder only for a build run from its own tree (a
// CMakeCache.txt in that folder or the one above) that can write there, as
// the older program kept it beside itself. An installed program never
// writes into its folder.
QString defaultSettingsFilePath();
QString defaultSettingsFilePath(const QString &programDir);
// Appends what the file holds to the two lists through
// appendSelectionWithCount (which also forgets names not used for more than
// two calendar years); a missing or malformed file ends the reading
// quietly, keeping what was read. At most 2,000 names of each section are
// read, and a line longer than 32,767 characters ends the reading.
// Returns a message for the user when something is at path that cannot be
// read (a pipe or a device, refused at once; a file without permission to
// read it; a file far too large); empty otherwise.
QString readSelectionFile(const QString &path, SelectionList &income, SelectionList &supply);
// The same on the file's bytes.
void parseSelectionFile(const QByteArray &bytes, SelectionList &income, SelectionList &supply);
// Replaces the file atomically (a symbolic link there is replaced, not
// written through; anything else that is not a regular file is refused).
// Names that the code page cannot hold or that contain a line break are
// left out (the file is a convenience list).
// Throws HarumokaError naming the file when it cannot be written.
void writeSelectionFile(const QString &path, const SelectionList &income,
                        const SelectionList &supply);

// The file's bytes for the two lists.
QByteArray encodeSelectionFile(const SelectionList &income, const SelectionList &supply);
