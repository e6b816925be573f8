#include "ui/core/RKTimer.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <thread>

namespace {

using Clock = std::chrono::steady_clock;

// Resolution of every timer of the process. sleep_until on the steady clock
// keeps to about a millisecond on Linux, so no resolution has to be raised.
constexpr unsigned kTimerAccuracyMs = 1;

// The one timer thread of the process. Slots are kept under m_lock; a tick
// runs with the lock released, and m_runningId says which timer is ticking so
// that Stop can wait for it.
class TimerScheduler {
public:
    static TimerScheduler& Instance() {
        // Never destroyed: timer objects with static storage may stop their
        // timers after every other static is gone.
        static TimerScheduler* scheduler = new TimerScheduler;
        return *scheduler;
    }

    unsigned Start(RKTimer* owner, unsigned periodMs) {
        std::lock_guard guard(m_lock);
        unsigned id = 0;
        do {
            id = ++m_lastId;
        } while (id == 0 || FindSlot(id) != m_slots.end());
        const auto period = std::chrono::milliseconds(periodMs);
        m_slots.push_back({id, owner, period, Clock::now() + period});
        if (!m_thread.joinable()) {
            m_thread = std::thread([this] { Run(); });
            m_threadId = m_thread.get_id();
        }
        m_wake.notify_one();
        return id;
    }

    // Removes the slot; waits for a tick of it that is running on the timer
    // thread, unless the caller is that tick.
    void Stop(unsigned id) {
        std::unique_lock guard(m_lock);
        auto it = FindSlot(id);
        if (it != m_slots.end()) m_slots.erase(it);
        if (std::this_thread::get_id() == m_threadId) return;
        m_tickDone.wait(guard, [&] { return m_runningId != id; });
    }

private:
    struct Slot {
        unsigned id = 0;
        RKTimer* owner = nullptr;
        Clock::duration period{};
        Clock::time_point due{};
    };

    std::vector<Slot>::iterator FindSlot(unsigned id) {
        return std::find_if(m_slots.begin(), m_slots.end(), [id](const Slot& s) { return s.id == id; });
    }

    [[noreturn]] void Run() {
        std::unique_lock guard(m_lock);
        for (;;) {
            if (m_slots.empty()) {
                m_wake.wait(guard);
                continue;
            }
            auto next = std::min_element(m_slots.begin(), m_slots.end(),
                                         [](const Slot& a, const Slot& b) { return a.due < b.due; });
            const auto now = Clock::now();
            if (next->due > now) {
                // A copy: the vector may grow while the thread waits.
                const auto due = next->due;
                m_wake.wait_until(guard, due);
                continue;
            }
            const Slot slot = *next;
            // A tick that ran late does not make up for the ticks it missed.
            next->due += next->period;
            if (next->due <= now) next->due = now + next->period;
            m_runningId = slot.id;
            guard.unlock();
            RKTimer::TimerCallProc(slot.id, slot.owner);
            guard.lock();
            m_runningId = 0;
            m_tickDone.notify_all();
        }
    }

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::condition_variable m_tickDone;
    std::vector<Slot> m_slots;
    unsigned m_lastId = 0;
    unsigned m_runningId = 0;
    std::thread m_thread;
    std::thread::id m_threadId;
};

// Every live timer object, in creation order (for GetFSTimer).
struct TimerObjects {
    std::mutex lock;
    std::vector<RKTimer*> objects;
};

TimerObjects& Objects() {
    static TimerObjects* objects = new TimerObjects;
    return *objects;
}

}  // namespace

RKTimer::RKTimer() {
    std::lock_guard guard(Objects().lock);
    Objects().objects.push_back(this);
}

RKTimer::~RKTimer() {
    KillTimer();
    std::lock_guard guard(Objects().lock);
    auto& list = Objects().objects;
    list.erase(std::remove(list.begin(), list.end(), this), list.end());
}

void RKTimer::OnMTimer(unsigned, CString) {}

unsigned RKTimer::SetTimer(unsigned period, const CString& name, int isApp) {
    if (period < kTimerAccuracyMs) return 0;
    // The entry lock is held while the timer starts, so the first tick finds
    // its entry; the timer thread never holds its own lock during a tick.
    std::lock_guard guard(m_entriesLock);
    const unsigned id = TimerScheduler::Instance().Start(this, period);
    m_entries.push_back({id, name, isApp});
    return id;
}

unsigned RKTimer::RemoveEntry(size_t index, std::unique_lock<std::mutex>& guard) {
    const unsigned id = m_entries[index].id;
    m_entries.erase(m_entries.begin() + static_cast<std::ptrdiff_t>(index));
    const auto left = static_cast<unsigned>(m_entries.size());
    guard.unlock();
    TimerScheduler::Instance().Stop(id);
    return left;
}

unsigned RKTimer::KillTimer(unsigned id) {
    std::unique_lock guard(m_entriesLock);
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].id == id) return RemoveEntry(i, guard);
    return static_cast<unsigned>(m_entries.size());
}

unsigned RKTimer::KillTimer(const CString& name) {
    std::unique_lock guard(m_entriesLock);
    for (size_t i = 0; i < m_entries.size(); ++i)
        if (m_entries[i].name == name) return RemoveEntry(i, guard);
    return static_cast<unsigned>(m_entries.size());
}

void RKTimer::KillTimer() {
    std::vector<TimerEntry> entries;
    {
        std::lock_guard guard(m_entriesLock);
        entries.swap(m_entries);
    }
    for (const auto& entry : entries) TimerScheduler::Instance().Stop(entry.id);
}

int RKTimer::GetTimerIsRun(unsigned id) const {
    std::lock_guard guard(m_entriesLock);
    return std::any_of(m_entries.begin(), m_entries.end(), [id](const TimerEntry& e) { return e.id == id; });
}

int RKTimer::GetTimerIsRun(const CString& name) const {
    std::lock_guard guard(m_entriesLock);
    return std::any_of(m_entries.begin(), m_entries.end(), [&](const TimerEntry& e) { return e.name == name; });
}

CString RKTimer::GetTimerName(unsigned id) const {
    std::lock_guard guard(m_entriesLock);
    for (const auto& e : m_entries)
        if (e.id == id) return e.name;
    return CString();
}

int RKTimer::IsAppTimer(unsigned id) const {
    std::lock_guard guard(m_entriesLock);
    for (const auto& e : m_entries)
        if (e.id == id) return e.isApp;
    return 0;
}

RKTimer* RKTimer::GetFSTimer(unsigned id) {
    std::lock_guard guard(Objects().lock);
    for (RKTimer* timer : Objects().objects)
        if (timer->GetTimerIsRun(id)) return timer;
    return nullptr;
}

void RKTimer::TimerCallProc(unsigned id, RKTimer* owner) {
    if (!owner) return;
    owner->OnMTimer(id);
    if (owner->IsAppTimer(id)) owner->OnMTimer(id, owner->GetTimerName(id));
}

unsigned RKTimer::GetAccuracy() noexcept {
    return kTimerAccuracyMs;
}
