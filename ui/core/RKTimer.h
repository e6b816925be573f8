// RKTimer: periodic millisecond timers whose ticks run on the toolkit's timer
// thread, never on the UI thread. The paint manager derives from it to drive
// control animation.
//
// Every timer of the process is served by one scheduler thread (steady clock,
// 1 ms resolution). A tick calls the owner's OnMTimer(id) and, for an
// application timer, OnMTimer(id, name). No lock is held during a tick, so
// KillTimer and the destructor wait until a tick of that timer that is already
// running has returned: once they return, no tick of the timer runs or will
// run. Called from inside a tick of the same timer they do not wait (the tick
// is the caller).
//
// A derived class must call KillTimer() in its own destructor: a tick that
// reaches OnMTimer while the derived part is being destroyed would call into
// a half-destroyed object.
#pragma once

#include <mutex>
#include <vector>

#include "ui/base/CString.h"

class RKTimer {
public:
    RKTimer();
    virtual ~RKTimer();
    RKTimer(const RKTimer&) = delete;
    RKTimer& operator=(const RKTimer&) = delete;

    // The named tick of an application timer; the base does nothing.
    virtual void OnMTimer(unsigned id, CString name);
    // Every tick of every timer of this object.
    virtual void OnMTimer(unsigned id) = 0;

    // Starts a periodic timer of `period` ms (at least 1). Returns its id, or
    // 0 when no timer could be started.
    unsigned SetTimer(unsigned period, const CString& name = CString(), int isApp = 0);
    // Stops and removes the entry with that id; returns the entries left.
    unsigned KillTimer(unsigned id);
    // Stops and removes the first entry with exactly that name.
    unsigned KillTimer(const CString& name);
    // Stops every timer of this object.
    void KillTimer();

    [[nodiscard]] int GetTimerIsRun(unsigned id) const;
    [[nodiscard]] int GetTimerIsRun(const CString& name) const;
    [[nodiscard]] CString GetTimerName(unsigned id) const;
    [[nodiscard]] int IsAppTimer(unsigned id) const;

    // The live timer object that owns `id`, or null.
    [[nodiscard]] static RKTimer* GetFSTimer(unsigned id);
    // The tick: OnMTimer(id), then the named tick for application timers.
    static void TimerCallProc(unsigned id, RKTimer* owner);
    // Resolution of every timer of the process, in ms.
    [[nodiscard]] static unsigned GetAccuracy() noexcept;

private:
    struct TimerEntry {
        unsigned id = 0;
        CString name;
        int isApp = 0;
    };
    unsigned RemoveEntry(size_t index, std::unique_lock<std::mutex>& guard);

    mutable std::mutex m_entriesLock;
    std::vector<TimerEntry> m_entries;
};
