// Text form of the settings file:
//
//   Tessaline settings tree 1
//   [\Software\Velmora\Tessaline%200003]
//   top=4:64000000
//
// Key paths and value names are percent-encoded (every byte outside '!'..'~',
// and '%', '=', '[', ']'); the data follows its decimal type code in hex.
#include <cstdlib>
#include <sstream>

#include "platform/xdg/XdgSettingsTree.h"

namespace tess {
namespace {

constexpr const char* kHeader = "Tessaline settings tree 1";
constexpr size_t kMaxDataSize = 1 << 20;

const char kHex[] = "0123456789ABCDEF";

std::string Encode(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c > ' ' && c < 0x7f && c != '%' && c != '=' && c != '[' && c != ']') {
            out += static_cast<char>(c);
        } else {
            out += '%';
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
    }
    return out;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

bool Decode(std::string_view s, std::string& out) {
    out.clear();
    for (size_t i = 0; i < s.size(); ++i) {
        if (s[i] != '%') {
            out += s[i];
            continue;
        }
        if (i + 2 >= s.size()) return false;
        int hi = HexDigit(s[i + 1]), lo = HexDigit(s[i + 2]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
        i += 2;
    }
    return true;
}

bool DecodeHexData(std::string_view s, std::string& out) {
    if (s.size() % 2 != 0 || s.size() / 2 > kMaxDataSize) return false;
    out.clear();
    out.reserve(s.size() / 2);
    for (size_t i = 0; i < s.size(); i += 2) {
        int hi = HexDigit(s[i]), lo = HexDigit(s[i + 1]);
        if (hi < 0 || lo < 0) return false;
        out += static_cast<char>(hi * 16 + lo);
    }
    return true;
}

}  // namespace

bool NormalizeKeyPath(std::string_view path, std::string& normalized) {
    normalized.clear();
    size_t i = 0;
    while (i < path.size()) {
        size_t end = path.find('\\', i);
        if (end == std::string_view::npos) end = path.size();
        std::string_view part = path.substr(i, end - i);
        if (!part.empty()) {
            for (unsigned char c : part)
                if (c < ' ') return false;
            normalized += '\\';
            normalized += part;
        }
        i = end + 1;
    }
    return normalized.size() <= 4096;
}

bool ParseSettingsText(const std::string& text, XdgSettingsTree::Tree& tree) {
    tree.clear();
    std::istringstream in(text);
    std::string line;
    if (!std::getline(in, line) || line != kHeader) return false;
    XdgSettingsTree::Key* current = nullptr;
    while (std::getline(in, line)) {
        if (line.empty()) continue;
        if (line.front() == '[') {
            if (line.back() != ']') return false;
            std::string raw, path;
            if (!Decode(std::string_view(line).substr(1, line.size() - 2), raw)) return false;
            if (!NormalizeKeyPath(raw, path) || path.empty()) return false;
            current = &AddSettingsKey(tree, path);
            continue;
        }
        if (!current) return false;
        size_t eq = line.find('=');
        size_t colon = line.find(':', eq == std::string::npos ? 0 : eq);
        if (eq == std::string::npos || colon == std::string::npos || colon == eq + 1)
            return false;
        XdgSettingsTree::Value value;
        if (!Decode(std::string_view(line).substr(0, eq), value.name)) return false;
        std::string code = line.substr(eq + 1, colon - eq - 1);
        if (code.size() > 10 || code.find_first_not_of("0123456789") != std::string::npos)
            return false;
        unsigned long long type = std::strtoull(code.c_str(), nullptr, 10);
        if (type > 0xffffffffULL) return false;
        value.type = static_cast<uint32_t>(type);
        if (!DecodeHexData(std::string_view(line).substr(colon + 1), value.data)) return false;
        current->values[SettingsLower(value.name)] = std::move(value);
    }
    return true;
}

std::string FormatSettingsText(const XdgSettingsTree::Tree& tree) {
    std::string out = std::string(kHeader) + "\n";
    for (const auto& [lower, key] : tree) {
        out += "[" + Encode(key.path) + "]\n";
        for (const auto& [lowerName, value] : key.values) {
            out += Encode(value.name) + "=" + std::to_string(value.type) + ":";
            for (unsigned char c : value.data) {
                out += kHex[c >> 4];
                out += kHex[c & 15];
            }
            out += "\n";
        }
    }
    return out;
}

std::string SettingsLower(std::string_view s) {
    std::string out(s);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

XdgSettingsTree::Key& AddSettingsKey(XdgSettingsTree::Tree& tree, const std::string& path) {
    // Parents exist whenever a child does.
    for (size_t pos = path.find('\\', 1);; pos = path.find('\\', pos + 1)) {
        std::string parent = path.substr(0, pos);
        XdgSettingsTree::Key& k = tree[SettingsLower(parent)];
        if (k.path.empty()) k.path = parent;
        if (pos == std::string::npos) return k;
    }
}

}  // namespace tess
