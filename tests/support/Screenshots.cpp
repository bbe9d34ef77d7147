#include "Screenshots.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QPixmap>
#include <QTextStream>
#include <QWidget>

void Settle(int milliseconds)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

bool SaveScreenshot(QWidget* window, const QString& folder, const QString& name,
                    int settleMilliseconds)
{
    Settle(settleMilliseconds);
    const QString path = QDir(folder).filePath(name);
    if (!window->grab().save(path, "PNG")) {
        QTextStream(stderr) << "cannot write " << path << '\n';
        return false;
    }
    QTextStream(stdout) << path << '\n';
    return true;
}
