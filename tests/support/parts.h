#pragma once

// How tests and benchmarks reach a window's widgets and actions: by the
// object name each part carries, its member's name ("TextIncomeAmount",
// "mnuFileSave"; an array's element as "optPrint[3]").

#include "ui/widgets/sheet_widgets.h"

#include <QObject>
#include <QString>
#include <QtGlobal>

// The one descendant of `root` with that name and type; the run stops,
// naming the part, when there is none or more than one.
template <class T>
T *part(const QObject &root, const QString &name)
{
    const QList<T *> found = root.findChildren<T *>(name);
    if (found.size() != 1)
        qFatal("%lld parts named \"%s\" of the wanted type under %s", qlonglong(found.size()),
               qPrintable(name), root.metaObject()->className());
    return found.first();
}

template <class T>
T *part(const QObject &root, const char *name)
{
    return part<T>(root, QString::fromUtf8(name));
}

// Element `index` of a member array.
template <class T>
T *part(const QObject &root, const char *name, int index)
{
    return part<T>(root, sheet::indexedName(name, index));
}
