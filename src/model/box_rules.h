// What the number boxes of the entry panels take, and how their text reads
// as a value. No widgets: each rule is a function of the text alone.
#pragma once

#include <QString>

// Digit rule: only blanks and 0-9.
bool passesDigitRule(const QString &text);
// Amount rule: only blanks, 0-9, "-" and ",".
bool passesAmountRule(const QString &text);
// Value of a text as the panels read it, every "," removed first when asked.
double textValue(const QString &text, bool removeCommas = false);
// A computed amount as the amount box shows it (spaced decimal). Past 64
// bits, where a conversion would wrap, the whole number is written out;
// Record refuses it as it refuses any amount beyond 32 bits.
QString amountBoxText(double amount);
// Reads a box for recording; throws HarumokaError naming the field when the
// value does not fit its 16- or 32-bit field.
qint32 readAmountField(const QString &text, const QString &fieldName);
qint16 readCountField(const QString &text, const QString &fieldName);

// Text an input method committed into a number box, as a keyboard would have
// typed it: full-width digits, signs, commas and spaces (what kana mode
// gives) in their half-width forms.
QString halfWidthNumberText(const QString &committed);
