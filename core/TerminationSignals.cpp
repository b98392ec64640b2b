#include "core/TerminationSignals.h"

#include "core/Error.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <unistd.h>

namespace {

constexpr int HandledSignals[] = {SIGTERM, SIGINT, SIGHUP};

std::atomic<int> writeEnd{-1};
std::atomic<int> watchdogWriteEnd{-1};
std::atomic<TerminationSignals*> instance{nullptr};
// What the signals did before the instance existed, put back when it goes.
struct sigaction previousActions[std::size(HandledSignals)];

extern "C" void onTerminationSignal(int signalNumber)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full pipe already holds a pending request to end; nothing is lost.
    for (const int fd : {writeEnd.load(), watchdogWriteEnd.load()}) {
        if (fd >= 0) {
            [[maybe_unused]] const ssize_t written = ::write(fd, &byte, 1);
        }
    }
    errno = saved;
}

void installHandlers(struct sigaction* previous)
{
    struct sigaction action;
    std::memset(&action, 0, sizeof action);
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (size_t i = 0; i < std::size(HandledSignals); ++i)
        ::sigaction(HandledSignals[i], &action, previous ? &previous[i] : nullptr);
}

// Waits for a signal on `signalPipe`; then gives the program GraceMilliseconds to
// end before ending the process. Returns when `stop` is closed.
void watch(int signalPipe, int stop)
{
    pollfd fds[2] = {{signalPipe, POLLIN, 0}, {stop, POLLIN, 0}};
    int signalNumber = 0;
    while (signalNumber == 0) {
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents != 0)
            return;
        unsigned char byte = 0;
        if (::read(signalPipe, &byte, 1) == 1)
            signalNumber = byte;
    }
    pollfd stopOnly = {stop, POLLIN, 0};
    int ready = 0;
    do {
        ready = ::poll(&stopOnly, 1, TerminationSignals::GraceMilliseconds);
    } while (ready < 0 && errno == EINTR);
    if (ready == 0)
        ::_exit(128 + signalNumber);
}

}  // namespace

TerminationSignals::TerminationSignals(QObject* parent)
    : QObject(parent)
{
    // A second instance would take the first one's handlers for the ones to put back.
    if (instance.load())
        throw Error(QStringLiteral("The termination signals are already handled"));
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw Error(
            QStringLiteral("Cannot create the signal pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    int watchdogSignals[2];
    int watchdogStop[2];
    if (::pipe2(watchdogSignals, O_CLOEXEC | O_NONBLOCK) != 0 || ::pipe2(watchdogStop, O_CLOEXEC) != 0)
        throw Error(
            QStringLiteral("Cannot create the signal pipe: %1").arg(QString::fromLocal8Bit(std::strerror(errno))));
    writeEnd.store(fds[1]);
    watchdogWriteEnd.store(watchdogSignals[1]);
    m_watchdogStop = watchdogStop[1];
    m_watchdog = std::thread([signalPipe = watchdogSignals[0], stop = watchdogStop[0]] {
        watch(signalPipe, stop);
        ::close(signalPipe);
        ::close(stop);
    });
    m_notifier = new QSocketNotifier(fds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TerminationSignals::readPending);
    instance.store(this);
    installHandlers(previousActions);
}

TerminationSignals::~TerminationSignals()
{
    instance.store(nullptr);
    for (size_t i = 0; i < std::size(HandledSignals); ++i)
        ::sigaction(HandledSignals[i], &previousActions[i], nullptr);
    // No handler writes any more; the notifier goes before the descriptor it watches.
    const int readEnd = int(m_notifier->socket());
    delete m_notifier;
    m_notifier = nullptr;
    ::close(writeEnd.exchange(-1));
    ::close(readEnd);
    ::close(m_watchdogStop);
    m_watchdog.join();
    ::close(watchdogWriteEnd.exchange(-1));
}

void TerminationSignals::reassert()
{
    if (instance.load())
        installHandlers(nullptr);
}

void TerminationSignals::readPending()
{
    unsigned char byte = 0;
    int last = 0;
    while (::read(int(m_notifier->socket()), &byte, 1) == 1)
        last = byte;
    if (last != 0)
        emit received(last);
}
