#pragma once
// What the POSIX stop signals offer to other waits of the player: the read
// end of the pipe the handlers write to, readable from the first request
// on (-1 before Install or when it failed).
namespace tess {

int StopSignalWakeDescriptor();

}  // namespace tess
