#pragma once

#include <QString>
#include <QStringList>

// The recently used account files, newest first, kept in the per-user
// settings (organisation and application "ハルモカ", key "RecentFiles").
constexpr int kMaxRecentFiles = 8;
QStringList recentFiles();
void addRecentFile(const QString &path);
void removeRecentFile(const QString &path);
