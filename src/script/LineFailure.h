#pragma once
// A line failure: an action line cannot form a value it needs. Raised while
// a line is performed and reduced by the engine to " Line N. Error".
#include <stdexcept>
#include <string>

namespace tess {

class LineFailure : public std::runtime_error {
public:
    explicit LineFailure(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace tess
