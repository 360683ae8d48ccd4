// The settings tree file: any bytes found in the file either parse into a
// tree that writes back to the same tree, or count as a damaged file that is
// set aside, never lost. Keys and values read from the file through the
// open and query paths match the parsed tree, and a value written is read
// back unchanged with every other key and value kept.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "platform/xdg/XdgSettingsTree.h"

namespace {

using namespace tess;
using Tree = XdgSettingsTree::Tree;

bool SameTree(const Tree& a, const Tree& b) {
    if (a.size() != b.size()) return false;
    for (auto i = a.begin(), j = b.begin(); i != a.end(); ++i, ++j) {
        if (i->first != j->first || i->second.path != j->second.path) return false;
        const auto& va = i->second.values;
        const auto& vb = j->second.values;
        if (va.size() != vb.size()) return false;
        for (auto x = va.begin(), y = vb.begin(); x != va.end(); ++x, ++y) {
            if (x->first != y->first || x->second.name != y->second.name ||
                x->second.type != y->second.type || x->second.data != y->second.data)
                return false;
        }
    }
    return true;
}

// One private directory per fuzzing process, on a memory file system when
// there is one: every write ends in fsync.
const std::string& WorkDir() {
    static char created[64];
    static const std::string dir = [] {
        std::snprintf(created, sizeof created, "%s/tess-settings-fuzz-XXXXXX",
                      access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        FUZZ_CHECK(mkdtemp(created) != nullptr);
        std::atexit([] { rmdir(created); });
        return std::string(created);
    }();
    return dir;
}

struct ScratchFiles {
    std::string path = WorkDir() + "/settings-tree";
    ~ScratchFiles() {
        std::remove(path.c_str());
        std::remove((path + ".damaged").c_str());
    }
};

void WriteFile(const std::string& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    FUZZ_CHECK(out.good());
}

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Every key and value of `tree` as the store reads them from the file.
void CheckReads(XdgSettingsTree& store, const Tree& tree) {
    int keys = 0;
    for (const auto& [lower, key] : tree) {
        if (++keys > 16) break;
        SettingsKey handle = 0;
        FUZZ_CHECK(store.OpenKey(key.path, SettingsAccess::Read, handle) == SettingsStatus::Ok);
        for (const auto& [lowerName, value] : key.values) {
            uint32_t type = 0, size = 0;
            FUZZ_CHECK(store.QueryValue(handle, value.name, &type, nullptr, &size) ==
                       SettingsStatus::Ok);
            FUZZ_CHECK(type == value.type && size == value.data.size());
            std::string buffer(size, '\0');
            FUZZ_CHECK(store.QueryValue(handle, lowerName, nullptr, buffer.data(), &size) ==
                       SettingsStatus::Ok);
            FUZZ_CHECK(buffer == value.data);
            if (size > 0) {
                uint32_t small = size - 1;
                FUZZ_CHECK(store.QueryValue(handle, value.name, nullptr, buffer.data(), &small) ==
                           SettingsStatus::MoreData);
                FUZZ_CHECK(small == size);
            }
        }
        FUZZ_CHECK(store.CloseKey(handle) == SettingsStatus::Ok);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);

    Tree parsed;
    const bool ok = ParseSettingsText(text, parsed);
    if (ok) {
        const std::string formatted = FormatSettingsText(parsed);
        Tree again;
        FUZZ_CHECK(ParseSettingsText(formatted, again));
        FUZZ_CHECK(SameTree(parsed, again));
        FUZZ_CHECK(FormatSettingsText(again) == formatted);
    }

    ScratchFiles files;
    WriteFile(files.path, text);
    {
        XdgSettingsTree store(files.path);
        if (ok) {
            CheckReads(store, parsed);
        } else {
            SettingsKey handle = 0;
            FUZZ_CHECK(store.OpenKey("\\Software", SettingsAccess::Read, handle) ==
                       SettingsStatus::NotFound);
        }
    }

    // A write with a key path, name and data taken from the input.
    const size_t cut1 = size / 3, cut2 = 2 * size / 3;
    const std::string keyPath = "\\Fuzz\\" + text.substr(0, cut1);
    const std::string name = text.substr(cut1, cut2 - cut1);
    const std::string value = text.substr(cut2);
    XdgSettingsTree writer(files.path);
    SettingsKey handle = 0;
    const SettingsStatus created = writer.CreateKey(keyPath, handle);
    if (created != SettingsStatus::Ok) {
        FUZZ_CHECK(created == SettingsStatus::InvalidName);
        return 0;
    }
    // Meanwhile another copy puts the old file back, which the next open reads:
    // the key may be gone from it, and the write must bring it back.
    WriteFile(files.path, text);
    SettingsKey root = 0;
    FUZZ_CHECK(writer.OpenKey("", SettingsAccess::Read, root) == SettingsStatus::Ok);
    FUZZ_CHECK(writer.SetValue(handle, name, 7, value.data(),
                               static_cast<uint32_t>(value.size())) == SettingsStatus::Ok);
    FUZZ_CHECK(writer.CloseKey(handle) == SettingsStatus::Ok);
    if (!ok) FUZZ_CHECK(ReadFile(files.path + ".damaged") == text);

    Tree written;
    FUZZ_CHECK(ParseSettingsText(ReadFile(files.path), written));
    std::string normalized;
    FUZZ_CHECK(NormalizeKeyPath(keyPath, normalized));
    const auto key = written.find(SettingsLower(normalized));
    FUZZ_CHECK(key != written.end());
    const auto stored = key->second.values.find(SettingsLower(name));
    FUZZ_CHECK(stored != key->second.values.end());
    FUZZ_CHECK(stored->second.name == name && stored->second.type == 7 &&
               stored->second.data == value);
    if (ok) {
        // Everything the file held before is still there.
        for (const auto& [lower, before] : parsed) {
            const auto after = written.find(lower);
            FUZZ_CHECK(after != written.end());
            for (const auto& [lowerName, v] : before.values) {
                if (lower == key->first && lowerName == SettingsLower(name)) continue;
                const auto kept = after->second.values.find(lowerName);
                FUZZ_CHECK(kept != after->second.values.end() && kept->second.data == v.data &&
                           kept->second.type == v.type);
            }
        }
    }
    XdgSettingsTree reader(files.path);
    CheckReads(reader, written);
    return 0;
}
