// Desktops that report no pointer motion: the cursor tracking asks every 10 ms.
#include "platform/PointerWatch.h"

namespace tess {

std::unique_ptr<PointerWatch> CreatePointerWatch(InputSink&) { return nullptr; }

}  // namespace tess
