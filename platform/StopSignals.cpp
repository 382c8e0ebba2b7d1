#include "platform/StopSignals.h"

#include <pthread.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>

StopSignals::~StopSignals() {
    if (m_fd >= 0) ::close(m_fd);
    if (m_blocked) ::pthread_sigmask(SIG_SETMASK, &m_previous, nullptr);
}

Status StopSignals::Open() {
    sigset_t stops;
    ::sigemptyset(&stops);
    ::sigaddset(&stops, SIGINT);
    ::sigaddset(&stops, SIGTERM);
    if (const int error = ::pthread_sigmask(SIG_BLOCK, &stops, &m_previous); error != 0) {
        return Status::Error(std::string("cannot take stop signals: ") + std::strerror(error));
    }
    m_blocked = true;
    m_fd = ::signalfd(-1, &stops, SFD_NONBLOCK | SFD_CLOEXEC);
    if (m_fd < 0) return Status::Error(std::string("cannot take stop signals: ") + std::strerror(errno));
    return Status::Ok();
}

bool StopSignals::Take(int* number) {
    struct signalfd_siginfo info {};
    bool stopped = false;
    while (::read(m_fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        if (!stopped && number != nullptr) *number = static_cast<int>(info.ssi_signo);
        stopped = true;
    }
    return stopped;
}
