#include "storage/placement.h"

#include "model/version.h"

#include <QSettings>

namespace {

const char *const kGroup = "Settings";
const char *const kKeys[4] = {"MainLeft", "MainTop", "MainWidth", "MainHeight"};

} // namespace

bool writeWindowPlacement(const WindowPlacement &placement)
{
    QSettings settings(QString::fromUtf8(kAppTitle), QString::fromUtf8(kAppTitle));
    settings.beginGroup(QLatin1String(kGroup));
    const int values[4] = {placement.left, placement.top, placement.width, placement.height};
    for (int i = 0; i < 4; ++i)
        settings.setValue(QLatin1String(kKeys[i]), QString::number(values[i]));
    settings.endGroup();
    settings.sync();
    return settings.status() == QSettings::NoError;
}

bool readWindowPlacement(WindowPlacement &placement)
{
    QSettings settings(QString::fromUtf8(kAppTitle), QString::fromUtf8(kAppTitle));
    settings.beginGroup(QLatin1String(kGroup));
    int values[4];
    for (int i = 0; i < 4; ++i) {
        bool ok = false;
        values[i] = settings.value(QLatin1String(kKeys[i])).toString().trimmed().toInt(&ok);
        if (!ok)
            return false;
    }
    placement = {values[0], values[1], values[2], values[3]};
    return true;
}
