#pragma once

#include <QObject>

class QSocketNotifier;

// Tells when the kernel's table of mounted file systems changes: a drive, a
// card or a network share mounted or unmounted. The kernel marks the open
// table (/proc/self/mountinfo) with an exceptional condition at each change,
// which wakes the event loop through a socket notifier: nothing polls on a
// timer, and an idle watch costs nothing.
class TMountWatch : public QObject
{
    Q_OBJECT

public:
    explicit TMountWatch(QObject* parent = nullptr);
    ~TMountWatch() override;
    TMountWatch(const TMountWatch&) = delete;
    TMountWatch& operator=(const TMountWatch&) = delete;

    bool IsWatching() const { return Fd >= 0; }

Q_SIGNALS:
    void MountsChanged();

private:
    void TableChanged();
    void ReadToEnd();

    int Fd = -1;
    QSocketNotifier* Notifier = nullptr;
};
