#include "device/sim/SimStateJson.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace device::sim {
namespace {

class Parser {
public:
    explicit Parser(std::string_view text) : m_text(text) {}

    bool ParseDocument(SimJson& out) {
        if (!ParseValue(out, 0)) return false;
        SkipSpace();
        return m_pos == m_text.size();
    }

private:
    void SkipSpace() {
        while (m_pos < m_text.size() &&
               (m_text[m_pos] == ' ' || m_text[m_pos] == '\n' || m_text[m_pos] == '\r' || m_text[m_pos] == '\t'))
            ++m_pos;
    }
    bool Literal(std::string_view word) {
        if (m_text.substr(m_pos, word.size()) != word) return false;
        m_pos += word.size();
        return true;
    }
    bool ParseValue(SimJson& out, int depth) {
        if (depth > SimJson::kMaxDepth) return false;
        SkipSpace();
        if (m_pos >= m_text.size()) return false;
        const char c = m_text[m_pos];
        if (c == '{') return ParseObject(out, depth);
        if (c == '[') return ParseArray(out, depth);
        if (c == '"') {
            std::string s;
            if (!ParseString(s)) return false;
            out = SimJson::String(std::move(s));
            return true;
        }
        if (Literal("true")) return out = SimJson::Bool(true), true;
        if (Literal("false")) return out = SimJson::Bool(false), true;
        if (Literal("null")) return out = SimJson(), true;
        return ParseNumber(out);
    }
    bool ParseNumber(SimJson& out) {
        const size_t start = m_pos;
        while (m_pos < m_text.size() && std::string_view("+-0123456789.eE").find(m_text[m_pos]) != std::string_view::npos)
            ++m_pos;
        if (m_pos == start || m_pos - start > 40) return false;
        std::string digits(m_text.substr(start, m_pos - start));
        char* end = nullptr;
        const double value = std::strtod(digits.c_str(), &end);
        if (end != digits.c_str() + digits.size() || !std::isfinite(value)) return false;
        out = SimJson::Number(value);
        return true;
    }
    bool ParseString(std::string& s) {
        ++m_pos;  // opening quote
        while (m_pos < m_text.size()) {
            const char c = m_text[m_pos++];
            if (c == '"') return true;
            if (static_cast<unsigned char>(c) < 0x20) return false;
            if (c != '\\') {
                s += c;
                continue;
            }
            if (m_pos >= m_text.size()) return false;
            const char e = m_text[m_pos++];
            switch (e) {
                case '"': s += '"'; break;
                case '\\': s += '\\'; break;
                case '/': s += '/'; break;
                case 'n': s += '\n'; break;
                case 't': s += '\t'; break;
                case 'r': s += '\r'; break;
                case 'b': s += '\b'; break;
                case 'f': s += '\f'; break;
                case 'u': {
                    if (m_pos + 4 > m_text.size()) return false;
                    unsigned code = 0;
                    for (int i = 0; i < 4; ++i) {
                        const char h = m_text[m_pos++];
                        code <<= 4;
                        if (h >= '0' && h <= '9') code |= static_cast<unsigned>(h - '0');
                        else if (h >= 'a' && h <= 'f') code |= static_cast<unsigned>(h - 'a' + 10);
                        else if (h >= 'A' && h <= 'F') code |= static_cast<unsigned>(h - 'A' + 10);
                        else return false;
                    }
                    // Only ASCII is written; anything else becomes '?'.
                    s += code < 0x80 ? static_cast<char>(code) : '?';
                    break;
                }
                default: return false;
            }
        }
        return false;
    }
    bool ParseArray(SimJson& out, int depth) {
        ++m_pos;
        out = SimJson::Array();
        SkipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == ']') return ++m_pos, true;
        while (true) {
            SimJson item;
            if (!ParseValue(item, depth + 1)) return false;
            out.Push(std::move(item));
            SkipSpace();
            if (m_pos >= m_text.size()) return false;
            if (m_text[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_text[m_pos] == ']') return ++m_pos, true;
            return false;
        }
    }
    bool ParseObject(SimJson& out, int depth) {
        ++m_pos;
        out = SimJson::Object();
        SkipSpace();
        if (m_pos < m_text.size() && m_text[m_pos] == '}') return ++m_pos, true;
        while (true) {
            SkipSpace();
            if (m_pos >= m_text.size() || m_text[m_pos] != '"') return false;
            std::string key;
            if (!ParseString(key)) return false;
            SkipSpace();
            if (m_pos >= m_text.size() || m_text[m_pos] != ':') return false;
            ++m_pos;
            SimJson value;
            if (!ParseValue(value, depth + 1)) return false;
            out.Set(key, std::move(value));
            SkipSpace();
            if (m_pos >= m_text.size()) return false;
            if (m_text[m_pos] == ',') {
                ++m_pos;
                continue;
            }
            if (m_text[m_pos] == '}') return ++m_pos, true;
            return false;
        }
    }

    std::string_view m_text;
    size_t m_pos = 0;
};

void WriteString(std::string& out, const std::string& s) {
    out += '"';
    for (unsigned char c : s) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20 || c >= 0x80) {
            char buffer[8];
            std::snprintf(buffer, sizeof buffer, "\\u%04x", c < 0x80 ? c : '?');
            out += buffer;
        } else {
            out += static_cast<char>(c);
        }
    }
    out += '"';
}

const SimJson& NullValue() {
    static const SimJson null;
    return null;
}

}  // namespace

SimJson SimJson::Number(double value) {
    SimJson v;
    v.m_kind = Kind::Number;
    v.m_number = value;
    return v;
}
SimJson SimJson::Bool(bool value) {
    SimJson v;
    v.m_kind = Kind::Bool;
    v.m_bool = value;
    return v;
}
SimJson SimJson::String(std::string value) {
    SimJson v;
    v.m_kind = Kind::String;
    v.m_text = std::move(value);
    return v;
}
SimJson SimJson::Array() {
    SimJson v;
    v.m_kind = Kind::Array;
    return v;
}
SimJson SimJson::Object() {
    SimJson v;
    v.m_kind = Kind::Object;
    return v;
}

void SimJson::Push(SimJson value) { m_items.push_back(std::move(value)); }
void SimJson::Set(const std::string& key, SimJson value) { m_members[key] = std::move(value); }

const SimJson& SimJson::Get(const std::string& key) const {
    if (m_kind != Kind::Object) return NullValue();
    auto found = m_members.find(key);
    return found == m_members.end() ? NullValue() : found->second;
}

int SimJson::IntOr(int low, int high, int fallback) const noexcept {
    if (m_kind != Kind::Number || m_number < low || m_number > high || m_number != std::floor(m_number))
        return fallback;
    return static_cast<int>(m_number);
}

std::string SimJson::Write(int indent) const {
    std::string out;
    WriteTo(out, indent, 0);
    return out;
}

void SimJson::WriteTo(std::string& out, int indent, int level) const {
    auto newline = [&](int l) {
        if (indent <= 0) return;
        out += '\n';
        out.append(static_cast<size_t>(indent * l), ' ');
    };
    switch (m_kind) {
        case Kind::Null: out += "null"; break;
        case Kind::Bool: out += m_bool ? "true" : "false"; break;
        case Kind::Number: {
            char buffer[32];
            if (m_number == std::floor(m_number) && std::fabs(m_number) < 1e15)
                std::snprintf(buffer, sizeof buffer, "%lld", static_cast<long long>(m_number));
            else
                std::snprintf(buffer, sizeof buffer, "%.17g", m_number);
            out += buffer;
            break;
        }
        case Kind::String: WriteString(out, m_text); break;
        case Kind::Array: {
            // Arrays of numbers stay on one line.
            bool flat = true;
            for (const SimJson& item : m_items) flat = flat && item.m_kind != Kind::Object && item.m_kind != Kind::Array;
            out += '[';
            bool first = true;
            for (const SimJson& item : m_items) {
                if (!first) out += flat ? ", " : ",";
                first = false;
                if (!flat) newline(level + 1);
                item.WriteTo(out, indent, level + 1);
            }
            if (!flat && !m_items.empty()) newline(level);
            out += ']';
            break;
        }
        case Kind::Object: {
            out += '{';
            bool first = true;
            for (const auto& [key, value] : m_members) {
                if (!first) out += ',';
                first = false;
                newline(level + 1);
                WriteString(out, key);
                out += indent > 0 ? ": " : ":";
                value.WriteTo(out, indent, level + 1);
            }
            if (!m_members.empty()) newline(level);
            out += '}';
            break;
        }
    }
}

bool SimJson::Parse(std::string_view text, SimJson& out) {
    out = SimJson();
    if (text.size() > kMaxText) return false;
    Parser parser(text);
    SimJson value;
    if (!parser.ParseDocument(value)) return false;
    out = std::move(value);
    return true;
}

std::string ToHex(const std::vector<uint8_t>& bytes) {
    static const char kDigits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (uint8_t b : bytes) {
        out += kDigits[b >> 4];
        out += kDigits[b & 0x0F];
    }
    return out;
}

bool FromHex(const std::string& text, std::vector<uint8_t>& bytes) {
    bytes.clear();
    if (text.size() % 2 != 0) return false;
    auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9') return c - '0';
        if (c >= 'a' && c <= 'f') return c - 'a' + 10;
        if (c >= 'A' && c <= 'F') return c - 'A' + 10;
        return -1;
    };
    for (size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0) return bytes.clear(), false;
        bytes.push_back(static_cast<uint8_t>(high * 16 + low));
    }
    return true;
}

}  // namespace device::sim
