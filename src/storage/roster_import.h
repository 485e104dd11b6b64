// The class list a teacher hands over, as a roster: a CSV file of
// 出席番号,氏名 lines, with or without a header line, in UTF-8 (with or
// without a byte order mark) or Shift_JIS as spreadsheets write it.
#pragma once

#include "model/roster.h"

#include <QByteArray>
#include <QString>

// The pupils of the file, in 出席番号 order, with ids from `firstId` on.
// Throws HarumokaError listing every bad line by its number and reason (a
// 出席番号 missing, not a number or used twice, an empty name) or naming
// an encoding it cannot read: nothing is half-imported.
Roster parseRosterCsv(const QByteArray &bytes, qint32 firstId = 1);
// The same for a file.
Roster readRosterCsv(const QString &path, qint32 firstId = 1);
