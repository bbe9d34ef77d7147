#pragma once

#include <QObject>
#include <QThread>

#include <functional>

// Runs a function on the receiver's thread and waits for it; runs it directly
// when called on that thread. While the function runs, the calling worker
// waits, so whatever it handed over stays unchanged.
void RunOnReceiverThread(QObject* receiver, const std::function<void()>& work);
