#pragma once
// The InputSink that reaches this system's real desktop. Which
// implementation is linked is decided by the build, one per system.
#include <memory>
#include <string>

#include "platform/InputSink.h"

namespace tess {

// Returns the desktop sink, or nullptr with a one-line reason in `error`
// (no display, no X server, a missing extension...).
std::unique_ptr<InputSink> CreateDesktopSink(std::string& error);

}  // namespace tess
