#pragma once
// The pictures waiting for a worker, in the order they came. A name waits at most once: pushed again while it waits
// it keeps its place; pushed again while a worker has it, it comes back once after that worker is done, since the file
// may have been written again meanwhile. An item pushed with a delay becomes due later (a retry); pushed again
// without one, it is due at once. Workers block in Pop until an item is due or the queue is stopped.

#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>

class WatchQueue {
public:
    using Clock = std::chrono::steady_clock;

    struct Item {
        std::string name;
        bool checkResults = false;  // skip it when its result is already in the output folder (files found at start)
        int attempt = 0;            // retries of a picture that could not be read whole
    };

    void Push(const Item& item, Clock::duration delay = Clock::duration::zero());

    // The next due item, or nothing once the queue is stopped.
    std::optional<Item> Pop();

    // The worker is done with name.
    void Finished(const std::string& name);

    // Wakes every worker; items still waiting are left (they are found again at the next start with --existing).
    void Stop();

private:
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::deque<Item> m_ready;
    std::multimap<Clock::time_point, Item> m_later;
    std::set<std::string> m_waiting;     // names in m_ready or m_later
    std::map<std::string, bool> m_busy;  // names a worker has → pushed again meanwhile
    bool m_stopped = false;
};
