#pragma once

#include <QObject>

#include <thread>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event
// loop, so that the program ends through its normal path (windows closed, the
// database detached) instead of dying inside whatever it was doing.
//
// The handlers only write the signal number to a pipe. Libraries loaded later
// may install handlers of their own for the same signals (the database engine
// does on its first attachment and then swallows SIGTERM): reassert() puts ours
// back and is called after every attachment.
//
// The normal path needs the event loop; a handler that runs long without
// turning it (a very large import or CONFIRMA) would keep the program alive. A
// watchdog thread therefore ends the process at once (exit status 128 plus the
// signal's number) when the program has not gone within GraceMilliseconds of
// the signal. Everything the program writes survives such an end: the
// database keeps only what was committed, and an interrupted CONFIRMA is
// completed or undone at the next start.
class TerminationSignals : public QObject
{
    Q_OBJECT
public:
    // One instance per process; installs the handlers. Throws Error when the
    // pipe cannot be made or another instance exists.
    explicit TerminationSignals(QObject* parent = nullptr);
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    // Installs the handlers again when an instance exists; does nothing otherwise.
    static void reassert();

    static constexpr int GraceMilliseconds = 900;

signals:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier* m_notifier = nullptr;
    int m_watchdogStop = -1;  // write end; closing it releases the watchdog
    std::thread m_watchdog;
};
