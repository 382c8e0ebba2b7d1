#include "cli/WatchQueue.h"

void WatchQueue::Push(const Item& item, Clock::duration delay) {
    std::lock_guard<std::mutex> lock(m_mutex);
    if (const auto busy = m_busy.find(item.name); busy != m_busy.end() && delay == Clock::duration::zero()) {
        busy->second = true;
        return;
    }
    if (m_waiting.count(item.name) != 0) {
        if (delay != Clock::duration::zero()) return;
        // Waiting for a retry, and now told the file is done: due at once.
        for (auto later = m_later.begin(); later != m_later.end(); ++later) {
            if (later->second.name == item.name) {
                m_ready.push_back(later->second);
                m_later.erase(later);
                m_wake.notify_one();
                break;
            }
        }
        return;
    }
    m_waiting.insert(item.name);
    if (delay == Clock::duration::zero()) {
        m_ready.push_back(item);
    } else {
        m_later.emplace(Clock::now() + delay, item);
    }
    m_wake.notify_one();
}

std::optional<WatchQueue::Item> WatchQueue::Pop() {
    std::unique_lock<std::mutex> lock(m_mutex);
    for (;;) {
        if (m_stopped) return std::nullopt;
        const Clock::time_point now = Clock::now();
        while (!m_later.empty() && m_later.begin()->first <= now) {
            m_ready.push_back(m_later.begin()->second);
            m_later.erase(m_later.begin());
        }
        if (!m_ready.empty()) {
            Item item = std::move(m_ready.front());
            m_ready.pop_front();
            m_waiting.erase(item.name);
            m_busy[item.name] = false;
            return item;
        }
        if (m_later.empty()) {
            m_wake.wait(lock);
        } else {
            // A copy: the item may leave m_later while this thread waits without the lock.
            const Clock::time_point due = m_later.begin()->first;
            m_wake.wait_until(lock, due);
        }
    }
}

void WatchQueue::Finished(const std::string& name) {
    std::lock_guard<std::mutex> lock(m_mutex);
    const auto busy = m_busy.find(name);
    if (busy == m_busy.end()) return;
    const bool again = busy->second;
    m_busy.erase(busy);
    if (again && m_waiting.insert(name).second) {
        m_ready.push_back(Item{name, false, 0});
        m_wake.notify_one();
    }
}

void WatchQueue::Stop() {
    std::lock_guard<std::mutex> lock(m_mutex);
    m_stopped = true;
    m_wake.notify_all();
}
