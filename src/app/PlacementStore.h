#pragma once
// The main window's stored placement: its top, left, height and width as
// 32-bit integers under "\Software\Velmora\Tessaline 0003" in the user's
// settings tree.
#include <stdexcept>

#include "platform/SettingsTree.h"

class QWidget;

namespace tess {

extern const char* const kPlacementKey;

// "Failed to get data for '%s'" and "Failed to set data for '%s'".
class PlacementError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Applies the stored values that exist with the integer type; others are
// skipped. A rectangle that would lie entirely off every screen is not
// applied as a position (the window could not be reached); its size still is.
// Throws PlacementError when an integer value cannot be read; the values
// read before it are applied.
void RestorePlacement(QWidget& window, SettingsTree& tree);
// Writes all four values; throws PlacementError at the first that fails.
void StorePlacement(const QWidget& window, SettingsTree& tree);

}  // namespace tess
