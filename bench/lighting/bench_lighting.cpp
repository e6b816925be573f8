// Lighting engines: the cost of one visualizer frame, the CPU the screen
// sampler takes at its full rate, and how long a tone takes to show.
//
// The sampler and latency figures start a private Xvfb and PulseAudio (the
// same fixtures as the integration tests) and are skipped when those cannot
// start.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <fstream>
#include <numbers>
#include <sstream>
#include <thread>

#include "lighting/ScreenLight.h"
#include "lighting/Visualizer.h"
#include "tests/fakes/FakeAudioLoopback.h"
#include "tests/lighting/LightingFixtures.h"

namespace {

using namespace std::chrono_literals;
constexpr int kRate = 48000;
constexpr int kFramesPer15Ms = kRate * 15 / 1000;

// A few partials, so every stage (bars, smoothing, colours) has work to do.
std::vector<float> Music(int frames, int start) {
    std::vector<float> samples;
    samples.reserve(static_cast<size_t>(frames) * 2);
    for (int i = start; i < start + frames; ++i) {
        double t = static_cast<double>(i) / kRate;
        float v = static_cast<float>(0.2 * std::sin(2 * std::numbers::pi * 220 * t) +
                                     0.1 * std::sin(2 * std::numbers::pi * 1500 * t) +
                                     0.05 * std::sin(2 * std::numbers::pi * 5000 * t));
        samples.push_back(v);
        samples.push_back(v);
    }
    return samples;
}

// One frame with 15 ms of new sound, for the default bar scheme (15) and the
// most expensive one (17, a hue per cell).
void BM_VisualizerFrame(benchmark::State& state) {
    auto audio = std::make_shared<FakeAudioLoopback::State>();
    Visualizer visualizer(std::make_unique<FakeAudioLoopback>(audio));
    visualizer.Init();
    Visualizer::Params params = visualizer.GetParams();
    params.barScheme = static_cast<int>(state.range(0));
    params.backScheme = 11;
    visualizer.SetParams(params);
    std::vector<std::vector<float>> packets;
    for (int i = 0; i < 64; ++i) packets.push_back(Music(kFramesPer15Ms, i * kFramesPer15Ms));
    size_t n = 0;
    for (auto _ : state) {
        audio->Push(packets[n++ % packets.size()]);  // a 5.8 KB copy, part of taking the sound
        visualizer.Frame();
    }
    state.counters["target_ms"] = 0.3;
}
BENCHMARK(BM_VisualizerFrame)->Arg(15)->Arg(17)->Unit(benchmark::kMicrosecond);

double ProcessCpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    auto seconds = [](const timeval& t) { return static_cast<double>(t.tv_sec) + t.tv_usec / 1e6; };
    return seconds(usage.ru_utime) + seconds(usage.ru_stime);
}

// utime + stime of another process, from /proc/<pid>/stat.
double ChildCpuSeconds(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    auto close = text.rfind(')');
    if (close == std::string::npos) return 0;
    std::istringstream fields(text.substr(close + 2));
    std::string field;
    double ticks = 0;
    for (int i = 3; fields >> field; ++i) {
        if (i == 14 || i == 15) ticks += std::stod(field);
        if (i == 15) break;
    }
    return ticks / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// The sampler thread at its full rate on a 1280 x 800 screen: CPU of this
// process (the sampler is its only busy thread) and of the X server (which
// copies the screen for us), in percent of one core.
void BM_ScreenSamplerCpu(benchmark::State& state) {
    lightingtest::XvfbServer xvfb;
    if (!xvfb.Start(1280, 800) || !xvfb.SetRootColour("#3070b0")) {
        state.SkipWithError("no Xvfb");
        return;
    }
    ScreenLight light(CreateScreenCapture(xvfb.Display()));
    light.Start(6, 21);
    for (auto _ : state) {
        uint64_t samples0 = light.SampleCount();
        double cpu0 = ProcessCpuSeconds();
        double server0 = ChildCpuSeconds(xvfb.Pid());
        auto t0 = std::chrono::steady_clock::now();
        light.SetActive(true);
        std::this_thread::sleep_for(3s);
        light.SetActive(false);
        double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        state.SetIterationTime(wall);
        state.counters["cpu_percent"] = (ProcessCpuSeconds() - cpu0) / wall * 100;
        state.counters["xserver_cpu_percent"] = (ChildCpuSeconds(xvfb.Pid()) - server0) / wall * 100;
        state.counters["samples_per_s"] = static_cast<double>(light.SampleCount() - samples0) / wall;
    }
    state.counters["target_cpu_percent"] = 5;
    light.Stop();
}
BENCHMARK(BM_ScreenSamplerCpu)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

bool AnyLit(const Visualizer& visualizer) {
    Visualizer::Image image;
    visualizer.CopyFrontImage(image);
    return std::any_of(image.begin(), image.end(), [](uint32_t c) { return c != 0; });
}

// From the moment a tone is written to a low-latency player (10 ms buffer)
// to the first finished visualizer frame that lights a pixel. The figure
// includes the player's and the server's buffering, so it is an upper bound
// of the visualizer's own share. Median of several tones.
void BM_ToneToFrameLatency(benchmark::State& state) {
    signal(SIGPIPE, SIG_IGN);  // a player that dies must not end the run
    lightingtest::PulseServer server;
    if (!server.Start()) {
        state.SkipWithError("no PulseAudio");
        return;
    }
    lightingtest::ChildProcess player;
    if (!player.Spawn(
            {"pacat", "--playback", "--raw", "--format=float32le", "--rate=48000", "--channels=2", "--latency-msec=10"},
            server.Env(), -1, true)) {
        state.SkipWithError("no pacat");
        return;
    }
    // A one-page pipe: the feeder blocks instead of queueing sound ahead of
    // the player (a full default pipe holds 170 ms).
    fcntl(player.StdinFd(), F_SETPIPE_SZ, 4096);
    Visualizer visualizer(CreateAudioLoopback());
    visualizer.Init();
    visualizer.SetActive(true);
    visualizer.Start();

    // Feeds the player in real time: silence, or the tone while `loud`.
    std::atomic<bool> loud{false};
    std::atomic<bool> feeding{true};
    std::atomic<int64_t> toneStartNs{0};
    std::thread feeder([&] {
        constexpr int kChunk = kRate / 200;  // 5 ms
        auto next = std::chrono::steady_clock::now();
        int frame = 0;
        bool wasLoud = false;
        while (feeding) {
            bool now = loud.load();
            std::vector<float> chunk =
                now ? Music(kChunk, frame) : std::vector<float>(static_cast<size_t>(kChunk) * 2, 0.0f);
            if (now && !wasLoud) toneStartNs = std::chrono::steady_clock::now().time_since_epoch().count();
            wasLoud = now;
            frame += kChunk;
            const char* bytes = reinterpret_cast<const char*>(chunk.data());
            size_t left = chunk.size() * sizeof(float);
            while (left > 0) {
                ssize_t n = write(player.StdinFd(), bytes, left);
                if (n <= 0) return;
                bytes += n;
                left -= static_cast<size_t>(n);
            }
            next += 5ms;
            std::this_thread::sleep_until(next);
        }
    });

    std::vector<double> delays;
    for (auto _ : state) {
        for (int trial = 0; trial < 7; ++trial) {
            // Quiet and dark first.
            auto settle = std::chrono::steady_clock::now() + 5s;
            std::this_thread::sleep_for(300ms);
            while (AnyLit(visualizer) && std::chrono::steady_clock::now() < settle) std::this_thread::sleep_for(5ms);
            toneStartNs = 0;
            loud = true;
            while (toneStartNs.load() == 0) std::this_thread::sleep_for(100us);
            auto deadline = std::chrono::steady_clock::now() + 3s;
            while (!AnyLit(visualizer) && std::chrono::steady_clock::now() < deadline)
                std::this_thread::sleep_for(200us);
            int64_t seen = std::chrono::steady_clock::now().time_since_epoch().count();
            loud = false;
            delays.push_back(static_cast<double>(seen - toneStartNs.load()) / 1e6);
        }
        std::sort(delays.begin(), delays.end());
        double median = delays[delays.size() / 2];
        state.SetIterationTime(median / 1000);
        state.counters["median_ms"] = median;
        state.counters["min_ms"] = delays.front();
        state.counters["max_ms"] = delays.back();
        delays.clear();
    }
    state.counters["target_ms"] = 60;
    feeding = false;
    feeder.join();
    visualizer.Stop();
    player.Stop();
}
BENCHMARK(BM_ToneToFrameLatency)->UseManualTime()->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
