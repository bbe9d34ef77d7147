#pragma once

#include <QObject>
#include <QThread>
#include <QVariant>
#include <QtGlobal>

#include <functional>

// Messages from a worker thread to the window that started it. They are delivered
// on the receiver's thread and the worker waits until the receiver handled each
// one, so whatever the worker handed over stays unchanged while it is read.
constexpr int WM_USER = 0x0400;
constexpr int WM_PROGRESS = WM_USER + 12;
constexpr int WM_CONNECT_FAILED = WM_USER + 13;
constexpr int WM_COPY_RESULT = WM_USER + 14;

// Copy results (wParam of WM_COPY_RESULT).
namespace CopyResult {
constexpr qint64 ReadFailed = 0;
constexpr qint64 WriteFailed = 1;
constexpr qint64 Copied = 4;
} // namespace CopyResult

using TMessageHandler = std::function<void(int message, qint64 wParam, qint64 lParam)>;

// Delivers one message on the receiver's thread and waits until it was handled.
// Runs the handler directly when called on the receiver's own thread.
void SendWorkerMessage(QObject* receiver, const TMessageHandler& handler, int message,
                       qint64 wParam, qint64 lParam);

// Runs a function on the receiver's thread and waits for it.
void RunOnReceiverThread(QObject* receiver, const std::function<void()>& work);

// Waits for a worker thread to end while the calling thread keeps handling its
// events: a worker blocked on a message to this thread can then go on and end.
// A worker that deletes itself after its completion (its SelfDeletingProperty is
// true until then) is waited for until it is gone, so its completion has run.
void WaitWithEvents(QThread* worker);

// Starts a worker thread. Once the thread has ended, the completion runs on the
// page window's thread and the worker then deletes itself.
void StartSelfDeletingWorker(QThread* worker, QObject* pageWindow,
                             std::function<void()> completion);

// Property of a worker thread that deletes itself once its completion has run.
constexpr char SelfDeletingProperty[] = "brenvaleSelfDeleting";
