// Builds without global keys: playback is stopped from the window, by a
// signal, or with `tessaline --stop`.
#include "platform/StopKey.h"

namespace tess {

std::unique_ptr<StopKey> CreateStopKey(InputSink&, std::string& notice) {
    notice.clear();  // nothing to report: the build simply has none
    return std::make_unique<NoStopKey>();
}

}  // namespace tess
