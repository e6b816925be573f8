// The UI thread and the controller's worker call the store at once: every
// operation holds the store's lock for its whole run, so results stay exact
// and the run is clean under ThreadSanitizer.
#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

#include "store/DataStore.h"
#include "tests/store/StoreTestUtil.h"

namespace {

constexpr int kRounds = 60;
constexpr int kStepsPerMacro = 8;
constexpr int kLightsPerGroup = 12;

}  // namespace

TEST(StoreThreads, UiAndWorkerCallersInterleaveSafely) {
    const std::string folder = storetest::MakeDataFolder();
    DataStore store;
    ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(folder), u"Threads"));
    const int profile = store.AddProfile(ProfileRecord{});
    ASSERT_GT(profile, 0);
    std::atomic<int> failures{0};
    std::atomic<bool> writersDone{false};

    // The "UI thread": edits keys, profiles and macros.
    std::thread ui([&] {
        for (int i = 0; i < kRounds; ++i) {
            KeyAssignmentRecord key;
            key.profile = profile;
            key.keyCode = 4 + i % 20;
            key.macroType = 1;
            key.macroValue = i + 1;
            if (store.SaveKeyAssignment(key) <= 0) ++failures;
            const int macro = store.AddMacro(u"ui");
            std::vector<MacroStepRecord> steps;
            for (int s = 0; s < kStepsPerMacro; ++s) steps.push_back({0, macro, 2, s, 4, 0, u"k"});
            if (macro <= 0 || store.AddMacroSteps(steps) != kStepsPerMacro) ++failures;
            if (!store.RenameProfile(profile, CString::FromInt(i))) ++failures;
            if (!store.SetActiveProfile(profile)) ++failures;
        }
    });
    // The "worker": reloads lighting and music, reads keys to send them.
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            std::vector<KeyLightRecord> lights(kLightsPerGroup, KeyLightRecord{0, profile, 2000 + i, 4, i});
            if (store.AddKeyLights(lights) != kLightsPerGroup) ++failures;
            LightRecord light;
            light.profile = profile;
            light.mode = i;
            if (store.AddLight(light) <= 0 || !store.SetActiveLight(profile, i)) ++failures;
            if (store.GetActiveLightMode(profile) < 0) ++failures;
            std::vector<KeyAssignmentRecord> keys;
            store.ListKeyAssignments(profile, 0, keys);
            if (keys.size() > 20) ++failures;
            if (i == 0 && store.AddMusicLayer(1, u"music", 1) <= 0) ++failures;
            if (!store.SelectMusicLayer(1, 1)) ++failures;
        }
    });
    // A reader that lists while the others write.
    std::thread reader([&] {
        while (!writersDone.load()) {
            std::vector<MacroRecord> macros;
            store.ListMacros(macros);
            for (const MacroRecord& macro : macros) {
                // A macro's steps arrive in one transaction: none or all.
                std::vector<MacroStepRecord> steps;
                const int count = store.ListMacroSteps(macro.macroId, steps);
                if (count != 0 && count != kStepsPerMacro) ++failures;
            }
            std::vector<ProfileRecord> profiles;
            if (store.ListProfiles(profiles) != 1) ++failures;
        }
    });
    ui.join();
    worker.join();
    writersDone = true;
    reader.join();

    EXPECT_EQ(failures.load(), 0);
    std::vector<MacroRecord> macros;
    EXPECT_EQ(store.ListMacros(macros), kRounds);
    std::vector<KeyAssignmentRecord> keys;
    EXPECT_EQ(store.ListKeyAssignments(profile, 0, keys), 20);
    EXPECT_EQ(store.CountLights(profile), kRounds);
    EXPECT_EQ(store.GetActiveLightMode(profile), kRounds - 1);
    EXPECT_EQ(store.GetSelectedMusicLayer(1), 1);
}

TEST(StoreThreads, OpeningAndClosingWhileOthersWrite) {
    // Model switches on the UI thread while the worker keeps writing: each
    // write lands in whichever file is open, or fails cleanly.
    const std::string folder = storetest::MakeDataFolder();
    DataStore store;
    ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(folder), u"A"));
    std::atomic<bool> stop{false};
    std::atomic<int> stored{0};
    std::thread worker([&] {
        while (!stop.load()) {
            if (store.AddMacro(u"w") > 0) ++stored;
        }
    });
    for (int i = 0; i < 20; ++i) {
        EXPECT_TRUE(store.OpenOrCreate(CString::FromUtf8(folder), i % 2 ? u"A" : u"B"));
        if (i % 5 == 0) store.Close();
    }
    stop = true;
    worker.join();
    std::vector<MacroRecord> a, b;
    ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(folder), u"A"));
    store.ListMacros(a);
    ASSERT_TRUE(store.OpenOrCreate(CString::FromUtf8(folder), u"B"));
    store.ListMacros(b);
    EXPECT_EQ(static_cast<int>(a.size() + b.size()), stored.load());
}

TEST(StoreThreads, InstanceIsOneObjectForAllThreads) {
    DataStore* seen[4] = {};
    std::vector<std::thread> threads;
    for (auto& slot : seen) threads.emplace_back([&slot] { slot = &DataStore::Instance(); });
    for (auto& thread : threads) thread.join();
    for (DataStore* store : seen) EXPECT_EQ(store, &DataStore::Instance());
}
