#pragma once

#include <QObject>
#include <QThread>

#include <functional>

// The messages of a worker to the page, by their window-message numbers. The
// run driver's progress interface carries them as typed calls; the page's
// handlers keep these names.
constexpr int WM_USER = 0x0400;
constexpr int WM_PROGRESS = WM_USER + 12;
constexpr int WM_CONNECT_FAILED = WM_USER + 13;
constexpr int WM_COPY_RESULT = WM_USER + 14;

// Runs a function on the receiver's thread and waits for it; runs it directly
// when called on that thread. While the function runs, the calling worker
// waits, so whatever it handed over stays unchanged.
void RunOnReceiverThread(QObject* receiver, const std::function<void()>& work);
