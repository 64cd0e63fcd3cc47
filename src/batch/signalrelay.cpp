#include "batch/signalrelay.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Shared with the C handler; only plain ints and async-signal-safe calls there.
int g_fds[2] = {-1, -1};
volatile sig_atomic_t g_received = 0;
struct sigaction g_oldInt;
struct sigaction g_oldTerm;

void OnSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    // A full socket buffer only loses a byte; the relay has seen enough signals by then.
    [[maybe_unused]] const ssize_t written = ::write(g_fds[0], &byte, 1);
    g_received = g_received + 1;
    if (g_received >= 2) {
        struct sigaction fallback = {};
        fallback.sa_handler = SIG_DFL;
        sigemptyset(&fallback.sa_mask);
        ::sigaction(SIGINT, &fallback, nullptr);
        ::sigaction(SIGTERM, &fallback, nullptr);
    }
    errno = savedErrno;
}

} // namespace

TSignalRelay::TSignalRelay(QObject* parent) : QObject(parent)
{
    if (g_fds[0] != -1)
        return; // another relay is active
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_fds) != 0) {
        g_fds[0] = g_fds[1] = -1;
        return;
    }
    ::fcntl(g_fds[0], F_SETFL, ::fcntl(g_fds[0], F_GETFL) | O_NONBLOCK);
    ::fcntl(g_fds[1], F_SETFL, ::fcntl(g_fds[1], F_GETFL) | O_NONBLOCK);
    g_received = 0;

    m_notifier = new QSocketNotifier(g_fds[1], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &TSignalRelay::ReadSignals);

    struct sigaction action = {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGINT, &action, &g_oldInt);
    ::sigaction(SIGTERM, &action, &g_oldTerm);
    m_active = true;
}

TSignalRelay::~TSignalRelay()
{
    if (!m_active)
        return;
    ::sigaction(SIGINT, &g_oldInt, nullptr);
    ::sigaction(SIGTERM, &g_oldTerm, nullptr);
    delete m_notifier;
    ::close(g_fds[0]);
    ::close(g_fds[1]);
    g_fds[0] = g_fds[1] = -1;
}

void TSignalRelay::ReadSignals()
{
    unsigned char buffer[16];
    for (;;) {
        const ssize_t n = ::read(g_fds[1], buffer, sizeof buffer);
        if (n <= 0)
            break;
        for (ssize_t i = 0; i < n; ++i)
            emit Signalled(buffer[i], ++m_count);
    }
}
