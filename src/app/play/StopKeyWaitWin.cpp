// Windows: the stop keys are hot keys of the calling thread, which arrive
// as WM_HOTKEY messages of its queue; the wait ends on one of them, on the
// console handler's event, or at the deadline.
#include "app/play/StopKeyWait.h"

#include <windows.h>

#include <algorithm>

#include "app/play/StopSignals.h"
#include "app/play/StopSignalsWin.h"

namespace tess {

bool WaitForStopKey(int, std::chrono::steady_clock::time_point deadline,
                    const std::function<bool()>& pressed) {
    using namespace std::chrono;
    HANDLE wake = static_cast<HANDLE>(StopSignalWakeEvent());
    const DWORD handles = wake ? 1 : 0;
    while (StopSignals::Received() == 0) {
        const auto now = steady_clock::now();
        if (now >= deadline) break;
        // Rounded up, so the wait never ends before the deadline.
        const auto left = duration_cast<milliseconds>(deadline - now + microseconds(999));
        const auto step = std::min<milliseconds>(left, hours(1));
        // MWMO_INPUTAVAILABLE: a hot key already queued counts too, not
        // only one that arrives during the wait.
        const DWORD result = ::MsgWaitForMultipleObjectsEx(handles, wake ? &wake : nullptr,
                                                           static_cast<DWORD>(step.count()), QS_HOTKEY,
                                                           MWMO_INPUTAVAILABLE);
        if (result == WAIT_FAILED) {
            StopSignals::WaitUntil(deadline);
            break;
        }
        if (result != WAIT_OBJECT_0 + handles) continue;
        if (pressed()) return true;
        // Hot keys that were not the stop key's are dropped, or the wait
        // would wake for them again at once.
        MSG message;
        while (::PeekMessageW(&message, nullptr, WM_HOTKEY, WM_HOTKEY, PM_REMOVE)) {
        }
    }
    return false;
}

}  // namespace tess
