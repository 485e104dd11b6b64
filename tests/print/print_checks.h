// Lookups on a recorded printout, for exact layout checks.
#pragma once

#include "print/recording_surface.h"

#include <QString>
#include <QStringList>
#include <optional>

// The texts of a page in drawing order, "x,y:text" (positions rounded to
// whole twips), for readable failure messages.
QStringList pageTexts(const RecordingSurface &rec, int page);
QStringList pageLines(const RecordingSurface &rec, int page);

// The first recorded text equal to `text` (on `page`, or on any page when -1).
std::optional<RecordedText> findText(const RecordingSurface &rec, const QString &text,
                                     int page = -1);
// All texts drawn at height y on a page.
QStringList textsAtY(const RecordingSurface &rec, int page, double y);
// Whether `text` was drawn at exactly (x, y) on the page.
bool hasTextAt(const RecordingSurface &rec, int page, double x, double y, const QString &text);
// Whether `text` was drawn at y with its right edge at `edge` (12 pt unless said).
bool hasRightAligned(const RecordingSurface &rec, int page, double edge, double y,
                     const QString &text, double points = 12);
bool hasCentred(const RecordingSurface &rec, int page, double left, double right, double y,
                const QString &text, double points = 12);
// Lines on a page with these endpoints (either direction); width and colour
// checked when given.
int countLines(const RecordingSurface &rec, int page, double x1, double y1, double x2, double y2,
               int width = -1, qint32 color = -1);
bool hasLine(const RecordingSurface &rec, int page, double x1, double y1, double x2, double y2,
             int width = -1, qint32 color = -1);
// Horizontal lines across the table (1000 to 10600) at y.
bool hasRule(const RecordingSurface &rec, int page, double y, int width = -1, qint32 color = -1);
