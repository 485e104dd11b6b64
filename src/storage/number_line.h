// Whole numbers as the program's text files hold them, one to a line: the
// writer's " 30" and "-500", and plain "1500" typed by hand. Anything else
// on the line is refused rather than read by its leading digits, so that
// one damaged byte cannot quietly turn 32000 into 32.
#pragma once

#include <QStringView>
#include <QtGlobal>

enum class NumberLine {
    Ok,
    NotANumber, // empty, or anything but blanks, one sign and ASCII digits
    OutOfRange, // a number, but outside [low, high]
};

// Blanks (space or tab), an optional "+" or "-", one or more ASCII digits,
// blanks. *value is set only when the result is Ok.
NumberLine parseNumberLine(QStringView line, qint64 low, qint64 high, qint64 *value);
