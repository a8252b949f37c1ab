// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QObject>

class QSocketNotifier;

namespace rz {

// Turns the process signals a desktop session and its tools send into calls on the event loop:
// SIGTERM, SIGINT and SIGHUP end the agent cleanly (the event loop quits, the worker is stopped and
// joined), SIGUSR1 asks for a refresh now. The handlers only write one byte to a socket; everything
// else happens on the main thread. One per process.
class UnixSignals : public QObject
{
    Q_OBJECT
public:
    explicit UnixSignals(QObject* parent = nullptr);
    ~UnixSignals() override;

signals:
    void QuitRequested();
    void RefreshRequested();

private:
    void Dispatch();

    QSocketNotifier* m_Notifier = nullptr;
};

} // namespace rz
