#pragma once

#include <QString>

class AppContext;

// The device that stands for the scanner's serial port: the setting
// ScannerPort in the Settings group, /dev/ttyS0 when it is missing or blank.
namespace ScannerPort {

QString device(const AppContext &app);
inline QString settingKey() { return QStringLiteral("Settings/ScannerPort"); }

} // namespace ScannerPort
