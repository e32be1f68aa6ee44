// SPDX-License-Identifier: MIT
#pragma once
// SIGTERM, SIGINT and SIGHUP end the program the way closing its window
// does. The handler only writes a byte into a socket pair; the event loop
// reads it and emits terminationRequested, where the real work is safe.

#include <QObject>

class QSocketNotifier;

namespace quillet::app {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;

signals:
    void terminationRequested(int signal);

private:
    void readSignal();
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace quillet::app
