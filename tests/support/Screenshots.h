#pragma once

#include <QString>

class QWidget;

// For the programs that write the windows' screenshots under docs/screenshots.

// Lets the event loop run for the time, so that pictures, animations and late
// layouts are drawn.
void Settle(int milliseconds);

// Lets the window settle, then writes what it shows as folder/name (PNG) and
// the path on standard output; false, told on standard error, when it cannot.
bool SaveScreenshot(QWidget* window, const QString& folder, const QString& name,
                    int settleMilliseconds = 300);
