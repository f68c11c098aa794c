#include "scanner/scannerport.h"

#include "ui/appcontext.h"

#include <QSettings>

QString ScannerPort::device(const AppContext &app)
{
    const QString stored = app.settings()->value(settingKey()).toString().trimmed();
    return stored.isEmpty() ? QStringLiteral("/dev/ttyS0") : stored;
}
