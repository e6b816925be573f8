// The level capture thread (against an in-process loopback) and the level
// rule the controller applies to its packets.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <thread>

#include "lighting/AudioCapture.h"
#include "tests/fakes/FakeAudioLoopback.h"

namespace {

template <class Condition>
bool WaitFor(Condition condition, std::chrono::milliseconds timeout = std::chrono::seconds(10)) {
    auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!condition() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    return condition();
}

// Stands in for the controller: the callbacks bound through Proxy<T>.
struct Owner {
    struct Call {
        std::vector<int16_t> samples;
        bool noData = false;
        uint32_t blockAlign = 0, bits = 0, channels = 0;
    };
    std::mutex mutex;
    std::vector<Call> calls;
    int stops = 0;
    AudioCapture* stopFromCallback = nullptr;

    void OnAudioData(const int16_t* samples, size_t count, uint32_t blockAlign, uint32_t bits, uint32_t channels) {
        Call call;
        call.noData = samples == nullptr;
        if (samples) call.samples.assign(samples, samples + count);
        call.blockAlign = blockAlign;
        call.bits = bits;
        call.channels = channels;
        AudioCapture* stopper = nullptr;
        {
            std::lock_guard lock(mutex);
            calls.push_back(std::move(call));
            stopper = stopFromCallback;
        }
        if (stopper) stopper->Stop();
    }
    void OnCaptureStop() {
        std::lock_guard lock(mutex);
        ++stops;
    }
    size_t Count() {
        std::lock_guard lock(mutex);
        return calls.size();
    }
    std::vector<Call> Calls() {
        std::lock_guard lock(mutex);
        return calls;
    }
    int Stops() {
        std::lock_guard lock(mutex);
        return stops;
    }
    std::unique_ptr<AudioCapture::IProxy> Proxy() {
        return std::make_unique<AudioCapture::Proxy<Owner>>(this, &Owner::OnAudioData, &Owner::OnCaptureStop);
    }
};

struct Rig {
    std::shared_ptr<FakeAudioLoopback::State> audio = std::make_shared<FakeAudioLoopback::State>();
    Owner owner;
    AudioCapture capture{std::make_unique<FakeAudioLoopback>(audio)};
};

TEST(AudioLevel, ValueTenFromTheEndShiftedBy8) {
    struct Case {
        std::vector<int16_t> samples;
        int level;
    };
    auto packet = [](size_t count, size_t at, int16_t value) {
        std::vector<int16_t> s(count, 7);
        s[at] = value;
        return s;
    };
    const Case cases[] = {
        {packet(20, 10, 100 << 8), 100},
        {packet(20, 10, -(100 << 8)), 100},
        {packet(20, 10, std::numeric_limits<int16_t>::min()), 128},
        {packet(20, 10, std::numeric_limits<int16_t>::max()), 127},
        {packet(20, 10, 255), 0},
        {packet(20, 11, 100 << 8), 0},  // only index count - 10 counts
        {packet(10, 0, 50 << 8), 50},   // exactly ten values
        {packet(9, 0, 50 << 8), 0},     // fewer than ten: no level
        {{}, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AudioCapture::PacketLevel(c.samples.data(), c.samples.size()), c.level) << c.samples.size();
    EXPECT_EQ(AudioCapture::PacketLevel(nullptr, 100), 0);
}

TEST(AudioLevel, GainIsCappedAt255) {
    struct Case {
        int level;
        double gain;
        int sent;
    };
    const Case cases[] = {
        {100, 3.0, 255}, {100, 1.0, 100}, {50, 2.5, 125}, {128, 1.99, 254},      {85, 3.0, 255},
        {10, 0.0, 0},    {10, -2.0, 0},   {0, 6.0, 0},    {10, std::nan(""), 0}, {10, 1e300, 255},
    };
    for (const auto& c : cases)
        EXPECT_EQ(AudioCapture::LevelByte(c.level, c.gain), c.sent) << c.level << " x " << c.gain;
}

TEST(AudioCaptureThread, DeliversPacketsThenNoData) {
    Rig rig;
    rig.capture.SetPollPeriod(std::chrono::milliseconds(5));
    rig.audio->Push(std::vector<int16_t>{1, 2, 3, 4});
    rig.audio->Push(std::vector<uint8_t>{0x10, 0x20, 0x30});  // an odd byte count is padded to whole values
    rig.capture.Start(rig.owner.Proxy());
    ASSERT_TRUE(WaitFor([&] { return rig.owner.Count() >= 4; }));
    rig.capture.Stop();

    auto calls = rig.owner.Calls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[0].samples, (std::vector<int16_t>{1, 2, 3, 4}));
    EXPECT_EQ(calls[0].blockAlign, 4u);
    EXPECT_EQ(calls[0].bits, 16u);
    EXPECT_EQ(calls[0].channels, 2u);
    EXPECT_EQ(calls[1].samples, (std::vector<int16_t>{0x2010, 0x0030}));
    EXPECT_TRUE(calls[2].noData);
    EXPECT_EQ(rig.audio->format.sample, AudioLoopback::Sample::kS16);
    EXPECT_EQ(rig.audio->format.channels, 2u);
    EXPECT_EQ(rig.owner.Stops(), 1);
    EXPECT_FALSE(rig.capture.IsRunning());
}

TEST(AudioCaptureThread, StartsOnceAndEndsWhenItsIdIsCleared) {
    Rig rig;
    rig.capture.SetPollPeriod(std::chrono::milliseconds(2));
    rig.capture.Start(rig.owner.Proxy());
    rig.capture.Start(rig.owner.Proxy());  // a new proxy, the same thread
    ASSERT_TRUE(WaitFor([&] { return rig.owner.Count() >= 2; }));
    EXPECT_EQ(rig.audio->Opens(), 1);
    EXPECT_TRUE(rig.capture.IsRunning());

    // Stopping from inside a callback (on the capture thread) ends the loop too.
    {
        std::lock_guard lock(rig.owner.mutex);
        rig.owner.stopFromCallback = &rig.capture;
    }
    ASSERT_TRUE(WaitFor([&] { return rig.owner.Stops() == 1; }));
    ASSERT_TRUE(WaitFor([&] { return !rig.capture.IsRunning(); }));
    size_t after = rig.owner.Count();
    std::this_thread::sleep_for(std::chrono::milliseconds(30));
    EXPECT_EQ(rig.owner.Count(), after);
}

TEST(AudioCaptureThread, NoDeviceMeansNoDataNotAnEnd) {
    Rig rig;
    rig.audio->openFails = true;
    rig.capture.SetPollPeriod(std::chrono::milliseconds(2));
    rig.capture.Start(rig.owner.Proxy());
    ASSERT_TRUE(WaitFor([&] { return rig.owner.Count() >= 5; }));
    EXPECT_TRUE(rig.capture.IsRunning());
    for (const auto& call : rig.owner.Calls()) EXPECT_TRUE(call.noData);
    rig.capture.Stop();
}

TEST(AudioCaptureThread, FollowsANewDefaultOutput) {
    Rig rig;
    rig.capture.SetPollPeriod(std::chrono::milliseconds(2));
    rig.capture.Start(rig.owner.Proxy());
    ASSERT_TRUE(WaitFor([&] { return rig.owner.Count() >= 1; }));
    EXPECT_EQ(rig.audio->Opens(), 1);
    rig.audio->FireDefaultChanged();
    ASSERT_TRUE(WaitFor([&] { return rig.audio->Opens() == 2; }));
    rig.audio->Push(std::vector<int16_t>(20, 300));
    ASSERT_TRUE(WaitFor([&] {
        for (const auto& c : rig.owner.Calls())
            if (!c.noData) return true;
        return false;
    }));
}

TEST(AudioCaptureThread, PollPeriodIsReplaceable) {
    Rig rig;
    EXPECT_EQ(rig.capture.PollPeriod(), AudioCapture::kPollPeriod);
    rig.capture.SetPollPeriod(std::chrono::milliseconds(50));
    EXPECT_EQ(rig.capture.PollPeriod(), std::chrono::milliseconds(50));
    rig.capture.SetPollPeriod(std::chrono::milliseconds(0));  // never a busy loop
    EXPECT_EQ(rig.capture.PollPeriod(), std::chrono::milliseconds(1));
}

}  // namespace
