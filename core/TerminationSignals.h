#pragma once

#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP into a Qt signal delivered by the event
// loop, so that the program ends through its normal path (windows closed, the
// database detached) instead of dying inside whatever it was doing.
//
// The handlers only write the signal number to a pipe. Libraries loaded later
// may install handlers of their own for the same signals (the database engine
// does on its first attachment and then swallows SIGTERM): reassert() puts ours
// back and is called after every attachment.
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

signals:
    void received(int signalNumber);

private:
    void readPending();

    QSocketNotifier* m_notifier = nullptr;
};
