#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>

#include "ui/core/RKTimer.h"
#include "ui/core/Trace.h"

using namespace std::chrono_literals;

namespace {

// Counts ticks and can be told to sit in a tick for a while.
class CountingTimer : public RKTimer {
public:
    ~CountingTimer() override { KillTimer(); }
    void OnMTimer(unsigned) override {
        if (std::this_thread::get_id() == creatorThread) tickOnCreatorThread = true;
        inTick = true;
        std::this_thread::sleep_for(std::chrono::milliseconds(tickSleepMs.load()));
        ++ticks;
        inTick = false;
        if (killFromTick) KillTimer(static_cast<unsigned>(killFromTick));
    }
    void OnMTimer(unsigned, CString name) override {
        if (name == u"app") ++namedTicks;
    }
    template <typename Pred>
    bool WaitFor(Pred pred, std::chrono::milliseconds limit = 5s) {
        const auto end = std::chrono::steady_clock::now() + limit;
        while (!pred()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(1ms);
        }
        return true;
    }
    std::atomic<int> ticks{0};
    std::atomic<int> namedTicks{0};
    std::atomic<bool> inTick{false};
    std::atomic<int> tickSleepMs{0};
    std::atomic<int> killFromTick{0};
    const std::thread::id creatorThread = std::this_thread::get_id();
    std::atomic<bool> tickOnCreatorThread{false};
};

}  // namespace

TEST(RKTimerTest, EntriesByIdAndName) {
    CountingTimer timer;
    EXPECT_EQ(timer.SetTimer(0, u"zero"), 0u);  // a zero period is refused
    const unsigned first = timer.SetTimer(1000, u"blink");
    const unsigned second = timer.SetTimer(1000, u"blink", 1);
    ASSERT_NE(first, 0u);
    ASSERT_NE(second, 0u);
    ASSERT_NE(first, second);
    EXPECT_EQ(timer.GetTimerName(first), CString(u"blink"));
    EXPECT_EQ(timer.GetTimerName(first + second + 100), CString());
    EXPECT_EQ(timer.IsAppTimer(second), 1);
    EXPECT_EQ(timer.IsAppTimer(first), 0);
    EXPECT_EQ(RKTimer::GetFSTimer(second), &timer);
    EXPECT_EQ(RKTimer::GetFSTimer(0), nullptr);

    // Two entries of one name: only the first goes.
    EXPECT_EQ(timer.KillTimer(CString(u"blink")), 1u);
    EXPECT_FALSE(timer.GetTimerIsRun(first));
    EXPECT_TRUE(timer.GetTimerIsRun(second));
    EXPECT_TRUE(timer.GetTimerIsRun(CString(u"blink")));
    EXPECT_EQ(timer.KillTimer(CString(u"BLINK")), 1u);  // names compare exactly
    EXPECT_EQ(timer.KillTimer(second), 0u);
    EXPECT_EQ(RKTimer::GetFSTimer(second), nullptr);
    M_Trace(u"%d", 1);  // the trace hook compiles and does nothing
}

TEST(RKTimerTest, TicksRunOffTheCallingThreadAndNamedTicksOnlyForAppTimers) {
    CountingTimer timer;
    const unsigned plain = timer.SetTimer(2, u"app", 0);
    ASSERT_TRUE(timer.WaitFor([&] { return timer.ticks >= 3; }));
    EXPECT_FALSE(timer.tickOnCreatorThread);
    EXPECT_EQ(timer.namedTicks, 0);
    timer.KillTimer(plain);
    timer.SetTimer(2, u"app", 1);
    EXPECT_TRUE(timer.WaitFor([&] { return timer.namedTicks >= 2; }));
}

TEST(RKTimerTest, KillTimerWaitsForARunningTick) {
    CountingTimer timer;
    timer.tickSleepMs = 60;
    const unsigned id = timer.SetTimer(1);
    ASSERT_TRUE(timer.WaitFor([&] { return timer.inTick.load(); }));
    timer.KillTimer(id);
    // The tick that was running has finished, and no new one starts.
    EXPECT_FALSE(timer.inTick);
    const int after = timer.ticks;
    std::this_thread::sleep_for(30ms);
    EXPECT_EQ(timer.ticks, after);
}

TEST(RKTimerTest, DestroyingATickingObjectIsSafe) {
    // Under AddressSanitizer a tick on a freed object would be reported.
    for (int round = 0; round < 20; ++round) {
        auto timer = std::make_unique<CountingTimer>();
        timer->tickSleepMs = round % 3;
        timer->SetTimer(1);
        timer->SetTimer(1, u"app", 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 4));
        timer.reset();
    }
}

TEST(RKTimerTest, ATickMayStopItsOwnTimer) {
    CountingTimer timer;
    const unsigned id = timer.SetTimer(1);
    timer.killFromTick = static_cast<int>(id);
    ASSERT_TRUE(timer.WaitFor([&] { return !timer.GetTimerIsRun(id); }));
    const int after = timer.ticks;
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(timer.ticks, after);
}
