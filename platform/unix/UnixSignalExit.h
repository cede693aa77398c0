#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (log-out) into the same orderly end as the exit menu entry:
// QCoreApplication::exit(0), so main's objects are destroyed and the hot keys and the instance
// marker are released. A signal handler may do next to nothing, so it only writes the signal
// number into a socket pair; the event loop reads it there. One instance per process.
class UnixSignalExit : public QObject
{
    Q_OBJECT

public:
    explicit UnixSignalExit(QObject *parent = nullptr);
    ~UnixSignalExit() override;

    // The signal that ended the loop last, 0 when none has.
    int lastSignal() const { return received; }

private:
    void readSignal();

    QSocketNotifier *notifier = nullptr;
    int received = 0;
};
