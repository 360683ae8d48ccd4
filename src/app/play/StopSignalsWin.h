#pragma once
// What the Windows stop requests offer to other waits of the player: the
// event the console handler sets, signalled from the first request on
// (nullptr before Install or when it failed).
namespace tess {

void* StopSignalWakeEvent();

}  // namespace tess
