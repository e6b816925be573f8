// Shared pieces of the command-set tests: a simulated board on a device
// manager, and a profile store in a private folder.
#pragma once

#include <filesystem>
#include <memory>
#include <string>

#include "device/DeviceManager.h"
#include "device/commands/CommandContext.h"
#include "device/sim/SimState.h"
#include "model/KeyboardDefinition.h"
#include "store/DataStore.h"
#include "tests/device/DeviceTestSupport.h"
#include "tests/support/TestEnv.h"

namespace cmdtest {

struct Bench {
    std::shared_ptr<device::sim::SimulatedHid> hid = std::make_shared<device::sim::SimulatedHid>();
    device::DeviceManager manager{hid};
    std::shared_ptr<device::sim::SimulatedKeyboard> board;
    DataStore store;
    device::commands::CommandContext context;
    int profile = 0;

    explicit Bench(const std::string& model = "k87", int mode = 0) {
        devtest::AddCatalogue(manager);
        board = hid->Plug(devtest::Board(model, mode));
        devtest::Scan(manager, board->Description().deviceType);
        board->ClearLog();
        const std::string folder = testenv::MakeTempDir("cmd") + "/";
        std::filesystem::create_directories(folder + "db");
        store.OpenOrCreate(CString::FromUtf8(folder), CString::FromUtf8(model));
        ProfileRecord p;
        p.name = u"Profile 1";
        profile = store.AddProfile(p);
        store.SetActiveProfile(profile);
        context.profile = profile;
    }

    void Assign(int key, int type, int value) {
        KeyAssignmentRecord r;
        r.profile = profile;
        r.keyCode = key;
        r.macroType = type;
        r.macroValue = value;
        store.SaveKeyAssignment(r);
    }

    // A macro of (type, vk, delay) steps.
    int AddMacro(int playTimes, const std::vector<std::array<int, 3>>& steps) {
        const int id = store.AddMacro(u"m");
        MacroRecord m;
        store.GetMacro(id, m);
        m.playTimes = playTimes;
        store.UpdateMacroPlayback(m);
        std::vector<MacroStepRecord> list;
        int index = 0;
        for (const auto& s : steps) {
            MacroStepRecord step;
            step.macroId = id;
            step.type = s[0];
            step.value = s[1];
            step.delayTime = s[2];
            step.recordIndex = index++;
            list.push_back(step);
        }
        store.AddMacroSteps(list);
        return id;
    }

    void AddLight(int mode, int brightness, int speed, int direction, int colorValue, int colorIndex = 0,
                  int configFunc = 0, int colorful = 0) {
        LightRecord l;
        l.profile = profile;
        l.mode = mode;
        l.brightness = brightness;
        l.speed = speed;
        l.direction = direction;
        l.colorValue = colorValue;
        l.colorIndex = colorIndex;
        l.configFunc = configFunc;
        l.colorful = colorful;
        store.AddLight(l);
        store.SetActiveLight(profile, mode);
    }

    // Bytes of the reports the board received (set-features and outputs).
    std::vector<std::vector<uint8_t>> Sent() const {
        std::vector<std::vector<uint8_t>> out;
        for (const auto& r : board->Log())
            if (r.kind != device::sim::SimReportKind::FeatureGet) out.push_back(r.bytes);
        return out;
    }

    device::sim::SimFirmwareData State() { return device::sim::DecodedState(*board); }
};

inline std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> out;
    for (int v : list) out.push_back(static_cast<uint8_t>(v));
    return out;
}

}  // namespace cmdtest
