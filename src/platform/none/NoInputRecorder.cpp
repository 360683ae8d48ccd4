// Builds without a desktop recorder: recording reports that it cannot run.
#include "platform/InputRecorder.h"

namespace tess {

std::unique_ptr<InputRecorder> CreateInputRecorder(std::string& error) {
    error = "this build cannot record the desktop";
    return nullptr;
}

}  // namespace tess
