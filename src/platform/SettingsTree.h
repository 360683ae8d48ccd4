#pragma once
// The per-user settings tree: keys named by a backslash path
// ("\Software\Velmora\Tessaline 0003"), each holding typed values. The
// operations mirror what the window placement store needs: open a key with
// an access right, create a key with its parents, query a value's existence,
// type and size, read it into a buffer of fixed size, write it with a type,
// close the key. Every operation answers with a status instead of throwing.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tess {

// Value types as stored; the numeric codes are kept in the tree, so a type
// the program does not know survives a rewrite unchanged.
enum class SettingsType : uint32_t {
    Text = 1,            // a string
    ExpandableText = 2,  // a string with %VARIABLES%
    Binary = 3,
    Integer32 = 4,       // 32-bit integer, 4 bytes, little-endian
};

// The four categories a reader distinguishes; every other code is Other.
enum class SettingsCategory { Text, ExpandableText, Integer32, Binary, Other };
SettingsCategory CategoryOf(uint32_t typeCode);

enum class SettingsAccess { Read, AllAccess };

enum class SettingsStatus {
    Ok = 0,
    NotFound,       // no such key or value
    AccessDenied,   // the store may not be opened with the access asked for
    MoreData,       // the buffer is too small for the value's data
    InvalidHandle,  // the key handle is not open (or was opened read-only for a write)
    InvalidName,    // a path or name the store cannot hold
    WriteFailed,    // the store could not be written
};
const char* StatusText(SettingsStatus status);

using SettingsKey = int;  // an open key; 0 is never a valid handle

class SettingsTree {
public:
    virtual ~SettingsTree() = default;

    // Opens an existing key.
    virtual SettingsStatus OpenKey(std::string_view path, SettingsAccess access,
                                   SettingsKey& key) = 0;
    // Opens a key with full access, creating it and any missing parents.
    virtual SettingsStatus CreateKey(std::string_view path, SettingsKey& key) = 0;
    // Queries a value. `type` and `size` may be null. With `buffer` null only
    // the type and size are reported; otherwise *size is the buffer's
    // capacity on entry and the data's size on return, and a buffer that is
    // too small gives MoreData (with *size set to what is needed).
    virtual SettingsStatus QueryValue(SettingsKey key, std::string_view name,
                                      uint32_t* type, void* buffer, uint32_t* size) = 0;
    // Writes a value with a type code, replacing any value of that name.
    virtual SettingsStatus SetValue(SettingsKey key, std::string_view name, uint32_t type,
                                    const void* data, uint32_t size) = 0;
    virtual SettingsStatus CloseKey(SettingsKey key) = 0;

    // Changes made between the two are written together when the batch
    // ends: a store kept in one file reads and writes it once, not once per
    // value. EndBatch answers the status of that write.
    virtual void BeginBatch() {}
    virtual SettingsStatus EndBatch() { return SettingsStatus::Ok; }
};

// The current user's settings tree on this system.
std::unique_ptr<SettingsTree> CreateUserSettingsTree();

}  // namespace tess
