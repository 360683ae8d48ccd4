// What every settings tree shares: the value categories and the texts of
// the statuses.
#include "platform/SettingsTree.h"

namespace tess {

SettingsCategory CategoryOf(uint32_t typeCode) {
    switch (typeCode) {
    case static_cast<uint32_t>(SettingsType::Text): return SettingsCategory::Text;
    case static_cast<uint32_t>(SettingsType::ExpandableText): return SettingsCategory::ExpandableText;
    case static_cast<uint32_t>(SettingsType::Binary): return SettingsCategory::Binary;
    case static_cast<uint32_t>(SettingsType::Integer32): return SettingsCategory::Integer32;
    default: return SettingsCategory::Other;
    }
}

const char* StatusText(SettingsStatus status) {
    switch (status) {
    case SettingsStatus::Ok: return "done";
    case SettingsStatus::NotFound: return "not found";
    case SettingsStatus::AccessDenied: return "access denied";
    case SettingsStatus::MoreData: return "more data than the buffer holds";
    case SettingsStatus::InvalidHandle: return "the key is not open for this";
    case SettingsStatus::InvalidName: return "invalid name";
    case SettingsStatus::WriteFailed: return "the settings store could not be written";
    }
    return "unknown error";
}

}  // namespace tess
