#pragma once

#include <QObject>

// The data module: made once at start-up, while the splash is on screen, and
// destroyed at exit. It carries the check for a newer version of Brenvale.
class TDM : public QObject
{
    Q_OBJECT

public:
    explicit TDM(QObject* parent = nullptr);
};
