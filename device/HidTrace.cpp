#include "device/HidTrace.h"

#include <chrono>

#include "platform/HidInterfaceName.h"

namespace device {
namespace {

// Taken while the program starts, before main runs.
const std::chrono::steady_clock::time_point g_processStart = std::chrono::steady_clock::now();

const char* KindName(HidTraceWriter::Kind kind) {
    switch (kind) {
        case HidTraceWriter::Kind::Out:
            return "out";
        case HidTraceWriter::Kind::FeatureSet:
            return "feature-set";
        case HidTraceWriter::Kind::FeatureGet:
            return "feature-get";
    }
    return "?";
}

class TracedDevice final : public hid::Device {
public:
    TracedDevice(std::unique_ptr<hid::Device> inner, std::shared_ptr<HidTraceWriter> writer, int productId,
                 bool control)
        : m_inner(std::move(inner)), m_writer(std::move(writer)), m_productId(productId), m_control(control) {}

    int Write(const uint8_t* data, size_t length) override {
        int result = m_inner->Write(data, length);
        m_writer->Line(m_productId, m_control, HidTraceWriter::Kind::Out, data, length, result >= 1);
        return result;
    }
    int SendFeatureReport(const uint8_t* data, size_t length) override {
        int result = m_inner->SendFeatureReport(data, length);
        m_writer->Line(m_productId, m_control, HidTraceWriter::Kind::FeatureSet, data, length, result > 0);
        return result;
    }
    int GetFeatureReport(uint8_t* data, size_t length) override {
        int result = m_inner->GetFeatureReport(data, length);
        m_writer->Line(m_productId, m_control, HidTraceWriter::Kind::FeatureGet, data, length, result > 0);
        return result;
    }

private:
    std::unique_ptr<hid::Device> m_inner;
    std::shared_ptr<HidTraceWriter> m_writer;
    int m_productId;
    bool m_control;
};

class TracedApi final : public hid::Api {
public:
    TracedApi(std::shared_ptr<hid::Api> inner, std::shared_ptr<HidTraceWriter> writer)
        : m_inner(std::move(inner)), m_writer(std::move(writer)) {}

    bool Init() override { return m_inner->Init(); }
    std::vector<hid::DeviceInfo> Enumerate() override { return m_inner->Enumerate(); }
    std::unique_ptr<hid::Device> Open(const std::string& path) override {
        std::unique_ptr<hid::Device> device = m_inner->Open(path);
        if (!device) return nullptr;
        int pid = hid::ProductIdFromInterfaceName(path);
        return std::make_unique<TracedDevice>(std::move(device), m_writer, pid < 0 ? 0 : pid,
                                              hid::IsControlInterfaceName(path));
    }

private:
    std::shared_ptr<hid::Api> m_inner;
    std::shared_ptr<HidTraceWriter> m_writer;
};

}  // namespace

double MillisecondsSinceStart() {
    auto elapsed = std::chrono::steady_clock::now() - g_processStart;
    return std::chrono::duration<double, std::milli>(elapsed).count();
}

HidTraceWriter::HidTraceWriter(const std::string& file) : m_file(std::fopen(file.c_str(), "a")) {}

HidTraceWriter::~HidTraceWriter() {
    if (m_file) std::fclose(m_file);
}

std::string HidTraceWriter::Format(double ms, int productId, bool control, Kind kind, const uint8_t* bytes,
                                   size_t length, bool ok) {
    char head[96];
    std::snprintf(head, sizeof head, "%.3f pid=0x%04x %s %s ", ms, static_cast<unsigned>(productId) & 0xFFFF,
                  control ? "control" : "vendor", KindName(kind));
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string line = head;
    line.reserve(line.size() + length * 2 + 5);
    for (size_t i = 0; i < length; ++i) {
        line += kDigits[bytes[i] >> 4];
        line += kDigits[bytes[i] & 0x0F];
    }
    if (!ok) line += " fail";
    return line;
}

void HidTraceWriter::Line(int productId, bool control, Kind kind, const uint8_t* bytes, size_t length, bool ok) {
    if (!m_file) return;
    // The time is taken under the lock, so lines stay in time order.
    std::lock_guard lock(m_mutex);
    std::string line = Format(MillisecondsSinceStart(), productId, control, kind, bytes, length, ok);
    line += '\n';
    std::fwrite(line.data(), 1, line.size(), m_file);
    std::fflush(m_file);
}

std::shared_ptr<hid::Api> WithHidTrace(std::shared_ptr<hid::Api> inner, std::shared_ptr<HidTraceWriter> writer) {
    if (!writer || !writer->IsOpen()) return inner;
    return std::make_shared<TracedApi>(std::move(inner), std::move(writer));
}

}  // namespace device
