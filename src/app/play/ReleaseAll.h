#pragma once
// `tessaline-play --release-all`: the way out after a player was killed
// (SIGKILL) while it held a button or a modifier down. A killed program
// cannot let go itself, and some compositors (sway: the left button, KWin:
// Shift and Ctrl) keep them down after its devices are gone.
namespace tess {

class InputSink;

// Sends a release of both buttons and of every modifier, left and right.
void ReleaseEverything(InputSink& sink);

}  // namespace tess
