#include "cli/CancelOnSignal.h"

#include <poll.h>
#include <pthread.h>
#include <signal.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>

CancelOnSignal::CancelOnSignal() {
    m_opened = m_signals.Open();
    if (!m_opened) return;
    m_wake = ::eventfd(0, EFD_CLOEXEC);
    if (m_wake < 0) {
        m_opened = Status::Error(std::string("cannot watch stop signals: ") + std::strerror(errno));
        return;
    }
    try {
        m_thread = std::thread([this] { Watch(); });
    } catch (const std::system_error& error) {
        m_opened = Status::Error(std::string("cannot watch stop signals: ") + error.what());
    }
}

CancelOnSignal::~CancelOnSignal() {
    if (m_thread.joinable()) {
        const std::uint64_t one = 1;
        static_cast<void>(::write(m_wake, &one, sizeof one));
        m_thread.join();
    }
    if (m_wake >= 0) ::close(m_wake);
}

void CancelOnSignal::SetCancel(std::function<void()> cancel) {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_cancel = std::move(cancel);
    if (Signalled() && m_cancel) m_cancel();
}

void CancelOnSignal::Watch() {
    pollfd watched[2] = {{m_signals.Descriptor(), POLLIN, 0}, {m_wake, POLLIN, 0}};
    int number = 0;
    for (;;) {
        if (::poll(watched, 2, -1) < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (watched[1].revents != 0) return;
        if (watched[0].revents != 0 && m_signals.Take(&number)) break;
    }
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_signal = number;
        if (m_cancel) m_cancel();
    }
    // This thread takes the signals from now on, with their default action: a second one ends the program.
    sigset_t stops;
    ::sigemptyset(&stops);
    ::sigaddset(&stops, SIGINT);
    ::sigaddset(&stops, SIGTERM);
    ::pthread_sigmask(SIG_UNBLOCK, &stops, nullptr);
    pollfd wake{m_wake, POLLIN, 0};
    while (::poll(&wake, 1, -1) < 0 && errno == EINTR) {
    }
}
