// SimJson: the small JSON value the simulated boards' state file is made
// of, with a writer and a reader that refuses (never crashes on) hostile
// text: depth and size limits, no exceptions.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace device::sim {

class SimJson {
public:
    enum class Kind { Null, Bool, Number, String, Array, Object };

    SimJson() = default;
    static SimJson Number(double value);
    static SimJson Bool(bool value);
    static SimJson String(std::string value);
    static SimJson Array();
    static SimJson Object();

    [[nodiscard]] Kind GetKind() const noexcept { return m_kind; }
    [[nodiscard]] bool IsObject() const noexcept { return m_kind == Kind::Object; }
    [[nodiscard]] bool IsArray() const noexcept { return m_kind == Kind::Array; }
    [[nodiscard]] bool IsNumber() const noexcept { return m_kind == Kind::Number; }
    [[nodiscard]] bool IsString() const noexcept { return m_kind == Kind::String; }

    // Array.
    void Push(SimJson value);
    [[nodiscard]] const std::vector<SimJson>& Items() const noexcept { return m_items; }
    // Object (members in key order).
    void Set(const std::string& key, SimJson value);
    // Null when absent or not an object.
    [[nodiscard]] const SimJson& Get(const std::string& key) const;
    [[nodiscard]] const std::map<std::string, SimJson>& Members() const noexcept { return m_members; }

    // An integer in [low, high], else fallback.
    [[nodiscard]] int IntOr(int low, int high, int fallback) const noexcept;
    [[nodiscard]] const std::string& Text() const noexcept { return m_text; }

    [[nodiscard]] std::string Write(int indent = 0) const;
    // False (and a null value) on malformed text, nesting deeper than
    // kMaxDepth or text longer than kMaxText.
    static bool Parse(std::string_view text, SimJson& out);

    static constexpr int kMaxDepth = 32;
    static constexpr size_t kMaxText = 8u << 20;

private:
    void WriteTo(std::string& out, int indent, int level) const;

    Kind m_kind = Kind::Null;
    bool m_bool = false;
    double m_number = 0;
    std::string m_text;
    std::vector<SimJson> m_items;
    std::map<std::string, SimJson> m_members;
};

// Lower-case hex of bytes, and back (false on odd length or a non-hex digit).
[[nodiscard]] std::string ToHex(const std::vector<uint8_t>& bytes);
bool FromHex(const std::string& text, std::vector<uint8_t>& bytes);

}  // namespace device::sim
