#pragma once
// SIGINT and SIGTERM as a descriptor to wait on instead of handlers. Open blocks both in the calling thread, so
// threads started afterwards inherit the block and the signals wait in the descriptor until Take reads them; the
// destructor restores the mask the thread had. Open it before starting any thread.

#include <signal.h>

#include "base/Status.h"

class StopSignals {
public:
    StopSignals() = default;
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    Status Open();

    int Descriptor() const { return m_fd; }

    // True when a stop signal has arrived (reads it without blocking); its number into *number when given.
    bool Take(int* number = nullptr);

private:
    int m_fd = -1;
    sigset_t m_previous{};
    bool m_blocked = false;
};
