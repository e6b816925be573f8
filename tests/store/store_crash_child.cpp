// The writer the crash test kills: opens (or creates) a model's file and
// writes profiles, per-key colours and macro steps in a loop. After each
// operation has returned it reports what it stored, one line on stdout, so
// every reported row was committed before the kill.
//
// Usage: store_crash_child <data folder> <model>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "store/DataStore.h"

namespace {

constexpr int kKeyLightsPerGroup = 20;
constexpr int kStepsPerMacro = 16;
constexpr int kFirstLightGroup = 1000;

void Report(const std::string& line) {
    const std::string text = line + "\n";
    // One short write per line: a pipe delivers it whole or not at all.
    if (::write(STDOUT_FILENO, text.data(), text.size()) < 0) _exit(3);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) return 2;
    DataStore store;
    if (!store.OpenOrCreate(CString::FromUtf8(argv[1]), CString::FromUtf8(argv[2]))) return 1;
    Report("open");
    // Carry on numbering after what earlier runs stored.
    std::vector<ProfileRecord> profiles;
    for (int round = store.ListProfiles(profiles);; ++round) {
        ProfileRecord profile;
        profile.name = CString::FromUtf8("profile " + std::to_string(round));
        const int profileId = store.AddProfile(profile);
        if (profileId > 0) Report("P " + std::to_string(profileId));

        const int group = kFirstLightGroup + profileId;
        std::vector<KeyLightRecord> lights;
        for (int key = 0; key < kKeyLightsPerGroup; ++key) lights.push_back({0, profileId, group, key + 4, round});
        if (store.AddKeyLights(lights) == kKeyLightsPerGroup) Report("L " + std::to_string(group));

        const int macro = store.AddMacro(CString::FromUtf8("macro " + std::to_string(round)));
        if (macro <= 0) continue;
        std::vector<MacroStepRecord> steps;
        for (int i = 0; i < kStepsPerMacro; ++i) steps.push_back({0, macro, 2 + i % 2, i, 4 + i, 10, u"step"});
        if (store.AddMacroSteps(steps) == kStepsPerMacro) Report("M " + std::to_string(macro));
    }
}
