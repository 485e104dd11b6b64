// Period summaries: the twelve period lists (income and expense per term,
// half and year) collected from articleList, their totals, and the
// carry-over entries that move one period's remainder into the next.
// refreshSummaries builds the lists in a fixed order and calls back where
// each period's summary grid is to be filled; the printouts then read the
// lists and totals.
#pragma once

#include "app/module1.h"

#include <functional>

// Rebuilds every period list and total from articleList and clears
// summariesStale. `fill(period)` (optional) is called at the point where
// that period's summary grid is filled.
void refreshSummaries(Module1 &m, const std::function<void(int period)> &fill = {});

// Carry-over entry: kind 1 from term 1 (dated 9/1), 2 from term 2 (1/1),
// 3 from the first half (10/1).
ArticlePtr makeTermCarryOver(Module1 &m, qint16 kind, qint32 amount, qint16 year);
ArticlePtr makeHalfCarryOver(Module1 &m, qint16 kind, qint32 amount, qint16 year);

// The remainder a period hands on: its income total plus its (negative)
// expense total.
qint32 periodRemainder(const Module1 &m, int period);
