// SimState: the firmware state the simulated boards keep beyond the slot
// table (what the command sets write), its JSON form, and the state file
// that lets a sequence of processes talk to the same boards.
//
// With TASTRA_SIM_STATE=FILE (or SetFile) every board loads its member of
// FILE when it is plugged and the whole file is rewritten (temporary file,
// then rename) after every change. The file is an object keyed
// "<device_info>:<wired|receiver|bluetooth>".
//
// Locking: a board's firmware runs with the board locked and then calls
// into the registry (board -> registry); the registry never calls a board
// back, so the boards' locks never nest.
#pragma once

#include <array>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "device/sim/SimBoardTable.h"
#include "device/sim/SimStateJson.h"

namespace device::sim {

class SimulatedKeyboard;
struct SimBoardState;

struct SimMacroSlot {
    int key = 0;
    int playTimes = 0;
    std::vector<std::pair<int, int>> events;  // code, timing byte
    bool operator==(const SimMacroSlot&) const = default;
};

struct SimRemapSlot {
    int key = 0;
    int target = 0;
    bool operator==(const SimRemapSlot&) const = default;
};

inline constexpr size_t kSimKeyTableSize = 220;
inline constexpr size_t kSimColourTableSize = 440;
inline constexpr size_t kSimStreamFrameSize = 330;
inline constexpr size_t kSimUserMacroBlockSize = 1200;

// Everything the command sets write, as the firmware keeps it.
struct SimFirmwareData {
    int productId = 0;
    std::array<SimMacroSlot, 13> macroSlots{};
    std::array<SimRemapSlot, 10> remapSlots{};
    std::vector<uint8_t> keyTable = std::vector<uint8_t>(kSimKeyTableSize, 0);
    std::map<int, std::vector<uint8_t>> userMacros;  // slot -> reassembled block
    std::vector<uint8_t> colourTable = std::vector<uint8_t>(kSimColourTableSize, 0);
    // Second family: mode-1, ci, dir, sp, br, opt (empty until received).
    std::vector<uint8_t> lightSecond;
    // First family: the mode form's mode (-1 until received), the parameter
    // form's p col0 col1 col2 br, the custom-area feature's bytes 2-7.
    int lightFirstMode = -1;
    std::vector<uint8_t> lightFirstParams;
    std::vector<uint8_t> customArea;
    std::vector<uint8_t> streamFrame = std::vector<uint8_t>(kSimStreamFrameSize, 0);
    int streamStarts = 0;
    int musicMode = -1;
    int musicLevel = -1;
    int resets = 0;
    int rejectedReports = 0;

    // Back to what a factory reset leaves (counters kept).
    void ClearSettings();
};

// The decoded macro events of a first-family block: code, delay, press.
struct SimBlockEvent {
    int code = 0;
    int delay = 0;
    bool press = false;
};
[[nodiscard]] std::vector<SimBlockEvent> DecodeUserMacroBlock(const std::vector<uint8_t>& block);

// The state file key of a board.
[[nodiscard]] std::string SimStateKey(const SimBoardSpec& boardSpec);

// JSON member of one board; the slot keys come from the board's slot table.
[[nodiscard]] SimJson BoardToJson(const SimFirmwareData& data, uint16_t firmwareVersion,
                                  const std::array<uint8_t, 28>& slotTable);
// Reads what it can of a member; fields that are missing or out of range
// keep their defaults. False when the member is not an object.
bool BoardFromJson(const SimJson& json, SimFirmwareData& data, uint16_t& firmwareVersion,
                   std::array<uint8_t, 28>& slotTable);

class SimStateRegistry {
public:
    // The process's registry; its file is TASTRA_SIM_STATE when set.
    static SimStateRegistry& Instance();

    // Empty: no file.
    void SetFile(const std::string& path);
    [[nodiscard]] std::string File() const;

    // The saved member of key (null when none or unreadable).
    [[nodiscard]] SimJson LoadedMember(const std::string& key);
    // Records a board's current member and rewrites the file (when set).
    void Update(const std::string& key, const SimJson& member);
    // The whole state document of the boards seen in this process (and, with
    // a file, those it held).
    [[nodiscard]] SimJson Document() const;

    // Attaches a decoded board state to a plugged board (for tests and
    // tools), so DecodedState finds it.
    void Register(const SimulatedKeyboard* board, std::shared_ptr<SimFirmwareData> data);
    [[nodiscard]] std::shared_ptr<SimFirmwareData> Find(const SimulatedKeyboard* board) const;
    void Forget(const SimulatedKeyboard* board);

private:
    SimStateRegistry();
    void LoadLocked();
    void SaveLocked();

    mutable std::mutex m_mutex;
    std::string m_file;
    bool m_loaded = false;
    SimJson m_document = SimJson::Object();
    std::map<const SimulatedKeyboard*, std::shared_ptr<SimFirmwareData>> m_boards;
};

// Gives a freshly plugged board the firmware of its family and its saved
// state. Called by SimulatedHid::Plug.
void AttachFamilyFirmware(const std::shared_ptr<SimulatedKeyboard>& board);

// A copy of a board's decoded state, taken with the board locked; a
// default value for a board without family firmware.
[[nodiscard]] SimFirmwareData DecodedState(SimulatedKeyboard& board);

}  // namespace device::sim
