#pragma once
// The form of an action line: a command word, one blank, the parameter
// text. The syntax is lenient: a line fails only when a value it needs
// cannot be formed (LineFailure).
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "script/LineFailure.h"

namespace tess {

class InputSink;
class RangeGenerator;

struct SplitLine {
    std::string_view word;       // up to the first blank; the whole line without one
    std::string_view parameter;  // everything after the first blank, verbatim
    bool hasBlank = false;       // tells 'KeyPress' from 'KeyPress '
};

SplitLine SplitActionLine(std::string_view line);

// The sixteen commands in the order the engine tests them.
enum class ActionCommand {
    CurPos,
    Click,
    ClickRight,
    MouseLDown,
    MouseLUp,
    MouseRDown,
    MouseRUp,
    Load,
    Stop,
    Cycle,
    CycleEnd,
    Interval,
    KeyPress,
    KeyDown,
    KeyUp,
    Write,
    None,  // an unmatched word: the line does nothing
};

// Exact, case-sensitive match of a command word.
ActionCommand MatchCommand(std::string_view word);
const char* CommandName(ActionCommand command);

inline constexpr int32_t kMaxFieldValue = 2147483647;

// Collects the field text of a number field from line[begin, end): a "["
// restarts the field, digits are kept, ".." (a full stop after a full stop)
// and "]" are kept when ranges are allowed, everything else is skipped.
std::string ScanNumberField(std::string_view line, std::size_t begin, std::size_t end,
                            bool rangesAllowed);

// The value of a field text: a range when it begins with "[", otherwise
// one or more digits up to 2147483647. An empty field fails.
int32_t EvaluateNumberField(std::string_view fieldText, RangeGenerator& random);

// Reads a run of decimal digits (leading zeros allowed); fails when the
// text is empty, holds anything else or exceeds 2147483647.
int32_t ReadDecimalField(std::string_view digits);

// The key code of a "KeyPress", "KeyDown" or "KeyUp" line: the character
// after the first blank mapped through the layout, or "#" and a key number.
uint8_t ReadKeyCode(std::string_view line, InputSink& sink);

// The number after "#": optional blanks, then a signed decimal that fits
// 32 bits, or "$", "x", "X", "0x", "0X" and at most eight significant hex
// digits; nothing may follow. Returns the 32-bit value.
int32_t ReadKeyNumber(std::string_view text);

}  // namespace tess
