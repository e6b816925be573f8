#include "device/sim/SimState.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

#include "device/DeviceReports.h"
#include "device/sim/SimFirmwareFirst.h"
#include "device/sim/SimFirmwareSecond.h"
#include "device/sim/SimulatedKeyboard.h"

namespace device::sim {
namespace {

constexpr size_t kMacroKeysAt = 1, kRemapKeysAt = 14;
constexpr size_t kBlockHeader = 2, kBlockEvent = 3;
constexpr uint8_t kPressBit = 0x80;
constexpr int kMaxSlotNumber = 255;
constexpr size_t kMaxStateFile = 4u << 20;

SimJson Bytes(const std::vector<uint8_t>& bytes) {
    SimJson array = SimJson::Array();
    for (uint8_t b : bytes) array.Push(SimJson::Number(b));
    return array;
}

void ReadBytes(const SimJson& json, std::vector<uint8_t>& bytes, size_t maxSize) {
    if (!json.IsArray() || json.Items().size() > maxSize) return;
    std::vector<uint8_t> out;
    for (const SimJson& item : json.Items()) {
        const int value = item.IntOr(0, 255, -1);
        if (value < 0) return;
        out.push_back(static_cast<uint8_t>(value));
    }
    bytes = std::move(out);
}

void ReadHex(const SimJson& json, std::vector<uint8_t>& bytes, size_t exactSize) {
    std::vector<uint8_t> out;
    if (!json.IsString() || !FromHex(json.Text(), out) || out.size() != exactSize) return;
    bytes = std::move(out);
}

// The stored length of a user-macro block: its header's length, or up to
// its last non-zero byte when events run past it.
std::vector<uint8_t> TrimBlock(const std::vector<uint8_t>& block) {
    if (block.size() < kBlockHeader) return block;
    size_t length = std::min(block.size(), kBlockEvent * block[1] + 3);
    for (size_t i = block.size(); i > length; --i)
        if (block[i - 1] != 0) {
            length = i;
            break;
        }
    return {block.begin(), block.begin() + static_cast<std::ptrdiff_t>(length)};
}

}  // namespace

void SimFirmwareData::ClearSettings() {
    const int pid = productId, resetCount = resets, rejected = rejectedReports, starts = streamStarts;
    *this = SimFirmwareData{};
    productId = pid;
    resets = resetCount;
    rejectedReports = rejected;
    streamStarts = starts;
}

std::vector<SimBlockEvent> DecodeUserMacroBlock(const std::vector<uint8_t>& block) {
    std::vector<SimBlockEvent> events;
    for (size_t at = kBlockHeader; at + kBlockEvent <= block.size(); at += kBlockEvent) {
        const uint8_t code = block[at], low = block[at + 1], high = block[at + 2];
        if (code == 0 && low == 0 && high == 0) break;
        events.push_back({code, low | ((high & 0x7F) << 8), (high & kPressBit) != 0});
    }
    return events;
}

std::string SimStateKey(const SimBoardSpec& boardSpec) {
    const char* mode = boardSpec.mode == kConnReceiver ? "receiver" : boardSpec.mode == kConnBluetooth ? "bluetooth" : "wired";
    return boardSpec.deviceInfo + ":" + mode;
}

SimJson BoardToJson(const SimFirmwareData& data, uint16_t firmwareVersion, const std::array<uint8_t, 28>& slotTable) {
    SimJson board = SimJson::Object();
    board.Set("pid", SimJson::Number(data.productId));
    board.Set("firmware_version", SimJson::Number(firmwareVersion));
    SimJson macros = SimJson::Array();
    for (size_t i = 0; i < data.macroSlots.size(); ++i) {
        const SimMacroSlot& slot = data.macroSlots[i];
        SimJson entry = SimJson::Object();
        entry.Set("key", SimJson::Number(slotTable[kMacroKeysAt + i]));
        entry.Set("play_times", SimJson::Number(slot.playTimes));
        SimJson events = SimJson::Array();
        for (const auto& [code, timing] : slot.events) {
            SimJson pair = SimJson::Array();
            pair.Push(SimJson::Number(code));
            pair.Push(SimJson::Number(timing));
            events.Push(std::move(pair));
        }
        entry.Set("events", std::move(events));
        macros.Push(std::move(entry));
    }
    board.Set("macro_slots", std::move(macros));
    SimJson remaps = SimJson::Array();
    for (size_t i = 0; i < data.remapSlots.size(); ++i) {
        SimJson entry = SimJson::Object();
        entry.Set("key", SimJson::Number(slotTable[kRemapKeysAt + i]));
        entry.Set("target", SimJson::Number(data.remapSlots[i].target));
        remaps.Push(std::move(entry));
    }
    board.Set("remap_slots", std::move(remaps));
    board.Set("key_table", SimJson::String(ToHex(data.keyTable)));
    SimJson macrosFirst = SimJson::Object();
    for (const auto& [slot, block] : data.userMacros)
        macrosFirst.Set(std::to_string(slot), SimJson::String(ToHex(TrimBlock(block))));
    board.Set("user_macros", std::move(macrosFirst));
    board.Set("colour_table", SimJson::String(ToHex(data.colourTable)));
    SimJson light = SimJson::Object();
    light.Set("second", Bytes(data.lightSecond));
    light.Set("first_mode", SimJson::Number(data.lightFirstMode));
    light.Set("first_params", Bytes(data.lightFirstParams));
    light.Set("custom_area", Bytes(data.customArea));
    board.Set("light", std::move(light));
    board.Set("stream_frame", SimJson::String(ToHex(data.streamFrame)));
    board.Set("stream_starts", SimJson::Number(data.streamStarts));
    SimJson music = SimJson::Object();
    music.Set("mode", SimJson::Number(data.musicMode));
    music.Set("level", SimJson::Number(data.musicLevel));
    board.Set("music", std::move(music));
    board.Set("resets", SimJson::Number(data.resets));
    board.Set("rejected_reports", SimJson::Number(data.rejectedReports));
    return board;
}

bool BoardFromJson(const SimJson& json, SimFirmwareData& data, uint16_t& firmwareVersion,
                   std::array<uint8_t, 28>& slotTable) {
    if (!json.IsObject()) return false;
    firmwareVersion = static_cast<uint16_t>(json.Get("firmware_version").IntOr(0, 0xFFFF, firmwareVersion));
    const SimJson& macros = json.Get("macro_slots");
    if (macros.IsArray()) {
        for (size_t i = 0; i < std::min(macros.Items().size(), data.macroSlots.size()); ++i) {
            const SimJson& entry = macros.Items()[i];
            SimMacroSlot slot;
            slot.key = entry.Get("key").IntOr(0, 255, 0);
            slot.playTimes = entry.Get("play_times").IntOr(0, 255, 0);
            const SimJson& events = entry.Get("events");
            if (events.IsArray())
                for (const SimJson& pair : events.Items()) {
                    if (!pair.IsArray() || pair.Items().size() != 2 || slot.events.size() >= 82) continue;
                    const int code = pair.Items()[0].IntOr(0, 255, -1), timing = pair.Items()[1].IntOr(0, 255, -1);
                    if (code >= 0 && timing >= 0) slot.events.push_back({code, timing});
                }
            data.macroSlots[i] = slot;
            slotTable[kMacroKeysAt + i] = static_cast<uint8_t>(slot.key);
        }
    }
    const SimJson& remaps = json.Get("remap_slots");
    if (remaps.IsArray()) {
        for (size_t i = 0; i < std::min(remaps.Items().size(), data.remapSlots.size()); ++i) {
            const SimJson& entry = remaps.Items()[i];
            data.remapSlots[i] = {entry.Get("key").IntOr(0, 255, 0), entry.Get("target").IntOr(0, 255, 0)};
            slotTable[kRemapKeysAt + i] = static_cast<uint8_t>(data.remapSlots[i].key);
        }
    }
    ReadHex(json.Get("key_table"), data.keyTable, kSimKeyTableSize);
    ReadHex(json.Get("colour_table"), data.colourTable, kSimColourTableSize);
    ReadHex(json.Get("stream_frame"), data.streamFrame, kSimStreamFrameSize);
    const SimJson& userMacros = json.Get("user_macros");
    if (userMacros.IsObject())
        for (const auto& [slotText, hex] : userMacros.Members()) {
            char* end = nullptr;
            const long slot = std::strtol(slotText.c_str(), &end, 10);
            std::vector<uint8_t> block;
            if (slotText.empty() || *end != '\0' || slot < 0 || slot > kMaxSlotNumber || !hex.IsString() ||
                !FromHex(hex.Text(), block) || block.size() > kSimUserMacroBlockSize)
                continue;
            block.resize(kSimUserMacroBlockSize, 0);
            data.userMacros[static_cast<int>(slot)] = std::move(block);
        }
    const SimJson& light = json.Get("light");
    ReadBytes(light.Get("second"), data.lightSecond, 6);
    data.lightFirstMode = light.Get("first_mode").IntOr(-1, 255, -1);
    ReadBytes(light.Get("first_params"), data.lightFirstParams, 5);
    ReadBytes(light.Get("custom_area"), data.customArea, 5);
    data.streamStarts = json.Get("stream_starts").IntOr(0, 1 << 30, 0);
    data.musicMode = json.Get("music").Get("mode").IntOr(-1, 255, -1);
    data.musicLevel = json.Get("music").Get("level").IntOr(-1, 255, -1);
    data.resets = json.Get("resets").IntOr(0, 1 << 30, 0);
    data.rejectedReports = json.Get("rejected_reports").IntOr(0, 1 << 30, 0);
    return true;
}

// --- registry ---

SimStateRegistry& SimStateRegistry::Instance() {
    static SimStateRegistry registry;
    return registry;
}

SimStateRegistry::SimStateRegistry() {
    if (const char* file = std::getenv("TASTRA_SIM_STATE"); file && *file) m_file = file;
}

void SimStateRegistry::SetFile(const std::string& path) {
    std::lock_guard lock(m_mutex);
    m_file = path;
    m_loaded = false;
    m_document = SimJson::Object();
}

std::string SimStateRegistry::File() const {
    std::lock_guard lock(m_mutex);
    return m_file;
}

void SimStateRegistry::LoadLocked() {
    if (m_loaded) return;
    m_loaded = true;
    m_document = SimJson::Object();
    if (m_file.empty()) return;
    std::ifstream in(m_file, std::ios::binary);
    if (!in) return;
    std::string text;
    char buffer[65536];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        text.append(buffer, static_cast<size_t>(in.gcount()));
        if (text.size() > kMaxStateFile) return;  // not ours: start afresh
    }
    SimJson document;
    if (SimJson::Parse(text, document) && document.IsObject()) m_document = std::move(document);
}

void SimStateRegistry::SaveLocked() {
    if (m_file.empty()) return;
    const std::string temporary = m_file + ".tmp";
    {
        std::ofstream out(temporary, std::ios::binary | std::ios::trunc);
        if (!out) return;
        out << m_document.Write(2) << '\n';
        if (!out.flush()) return;
    }
    std::rename(temporary.c_str(), m_file.c_str());
}

SimJson SimStateRegistry::LoadedMember(const std::string& key) {
    std::lock_guard lock(m_mutex);
    LoadLocked();
    return m_document.Get(key);
}

void SimStateRegistry::Update(const std::string& key, const SimJson& member) {
    std::lock_guard lock(m_mutex);
    LoadLocked();
    m_document.Set(key, member);
    SaveLocked();
}

SimJson SimStateRegistry::Document() const {
    std::lock_guard lock(m_mutex);
    return m_document;
}

void SimStateRegistry::Register(const SimulatedKeyboard* board, std::shared_ptr<SimFirmwareData> data) {
    std::lock_guard lock(m_mutex);
    m_boards[board] = std::move(data);
}

std::shared_ptr<SimFirmwareData> SimStateRegistry::Find(const SimulatedKeyboard* board) const {
    std::lock_guard lock(m_mutex);
    auto found = m_boards.find(board);
    return found == m_boards.end() ? nullptr : found->second;
}

void SimStateRegistry::Forget(const SimulatedKeyboard* board) {
    std::lock_guard lock(m_mutex);
    m_boards.erase(board);
}

void AttachFamilyFirmware(const std::shared_ptr<SimulatedKeyboard>& board) {
    const SimBoardSpec& boardSpec = board->Description();
    auto data = std::make_shared<SimFirmwareData>();
    data->productId = boardSpec.productId;
    const std::string key = SimStateKey(boardSpec);
    SimStateRegistry& registry = SimStateRegistry::Instance();
    const bool persistent = !registry.File().empty();
    const SimJson saved = persistent ? registry.LoadedMember(key) : SimJson();
    if (IsSecondFamily(boardSpec.deviceType)) {
        board->SetFirmware(std::make_unique<SimFirmwareSecond>(data, key));
    } else {
        // With two vendor interfaces the second is the control interface.
        int control = -2, vendorCount = 0;
        for (const SimInterfaceSpec& iface : boardSpec.interfaces)
            if (iface.usagePage == kVendorUsagePage && ++vendorCount == 2) control = iface.number;
        board->SetFirmware(std::make_unique<SimFirmwareFirst>(data, key, control));
    }
    board->WithState([&](SimBoardState& state) {
        if (saved.IsObject()) BoardFromJson(saved, *data, state.firmwareVersion, state.slotTable);
        data->productId = boardSpec.productId;
        registry.Update(key, BoardToJson(*data, state.firmwareVersion, state.slotTable));
    });
    registry.Register(board.get(), data);
}

SimFirmwareData DecodedState(SimulatedKeyboard& board) {
    SimFirmwareData copy;
    auto data = SimStateRegistry::Instance().Find(&board);
    if (!data) return copy;
    board.WithState([&](SimBoardState& state) {
        copy = *data;
        for (size_t i = 0; i < copy.macroSlots.size(); ++i) copy.macroSlots[i].key = state.slotTable[kMacroKeysAt + i];
        for (size_t i = 0; i < copy.remapSlots.size(); ++i) copy.remapSlots[i].key = state.slotTable[kRemapKeysAt + i];
    });
    return copy;
}

}  // namespace device::sim
