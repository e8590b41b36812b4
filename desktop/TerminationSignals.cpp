#include "desktop/TerminationSignals.h"

#include <QSocketNotifier>
#include <atomic>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace keldra {

namespace {

// The handler may only write to a descriptor; everything else happens on the event loop.
std::atomic<int> signalWriteEnd{-1};

void onSignal(int) {
    const int fd = signalWriteEnd.load();
    if (fd >= 0) {
        const char byte = 1;
        [[maybe_unused]] const auto written = ::write(fd, &byte, 1);
    }
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int ends[2] = {-1, -1};
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, ends) != 0) {
        return;
    }
    read_ = UniqueFd(ends[0]);
    signalWriteEnd.store(ends[1]);
    notifier_ = std::make_unique<QSocketNotifier>(read_.get(), QSocketNotifier::Read);
    connect(notifier_.get(), &QSocketNotifier::activated, this, [this] {
        char buffer[16];
        while (::read(read_.get(), buffer, sizeof buffer) > 0) {
        }
        emit received();
    });
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(SIGTERM, &action, nullptr);
    ::sigaction(SIGINT, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    const int fd = signalWriteEnd.exchange(-1);
    if (fd >= 0) {
        ::close(fd);
    }
}

} // namespace keldra
