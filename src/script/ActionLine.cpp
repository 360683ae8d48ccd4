#include "script/ActionLine.h"

#include "platform/InputSink.h"
#include "script/RangeValue.h"
#include "script/Utf8.h"

namespace tess {

namespace {

constexpr const char* kNames[] = {
    "CurPos",   "Click",  "ClickRight", "MouseLDown", "MouseLUp", "MouseRDown",
    "MouseRUp", "Load",   "Stop",       "Cycle",      "CycleEnd", "Interval",
    "KeyPress", "KeyDown", "KeyUp",     "Write",
};
constexpr int kCommandCount = sizeof(kNames) / sizeof(kNames[0]);

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

SplitLine SplitActionLine(std::string_view line) {
    SplitLine split;
    const std::size_t blank = line.find(' ');
    if (blank == std::string_view::npos) {
        split.word = line;
        return split;
    }
    split.word = line.substr(0, blank);
    split.parameter = line.substr(blank + 1);
    split.hasBlank = true;
    return split;
}

ActionCommand MatchCommand(std::string_view word) {
    for (int i = 0; i < kCommandCount; ++i) {
        if (word == kNames[i]) return static_cast<ActionCommand>(i);
    }
    return ActionCommand::None;
}

const char* CommandName(ActionCommand command) {
    const int i = static_cast<int>(command);
    return i >= 0 && i < kCommandCount ? kNames[i] : "";
}

std::string ScanNumberField(std::string_view line, std::size_t begin, std::size_t end,
                            bool rangesAllowed) {
    std::string field;
    if (end > line.size()) end = line.size();
    for (std::size_t i = begin; i < end; ++i) {
        const char c = line[i];
        if (IsDigit(c)) {
            field += c;
        } else if (!rangesAllowed) {
            continue;
        } else if (c == '[') {
            field.assign(1, '[');
        } else if (c == '.' && i > 0 && line[i - 1] == '.') {
            field += "..";
        } else if (c == ']') {
            field += ']';
        }
    }
    return field;
}

int32_t ReadDecimalField(std::string_view digits) {
    if (digits.empty()) throw LineFailure("empty number");
    int64_t value = 0;
    for (char c : digits) {
        if (!IsDigit(c)) throw LineFailure("not a number: " + std::string(digits.substr(0, 40)));
        value = value * 10 + (c - '0');
        if (value > kMaxFieldValue) throw LineFailure("number above 2147483647");
    }
    return static_cast<int32_t>(value);
}

int32_t EvaluateNumberField(std::string_view fieldText, RangeGenerator& random) {
    if (!fieldText.empty() && fieldText.front() == '[') return ParseRangeValue(fieldText, random);
    return ReadDecimalField(fieldText);
}

int32_t ReadKeyNumber(std::string_view text) {
    std::size_t i = 0;
    while (i < text.size() && text[i] == ' ') ++i;
    std::string_view rest = text.substr(i);
    if (rest.empty()) throw LineFailure("empty key number");

    std::size_t prefix = 0;
    if (rest[0] == '$' || rest[0] == 'x' || rest[0] == 'X') {
        prefix = 1;
    } else if (rest.size() >= 2 && rest[0] == '0' && (rest[1] == 'x' || rest[1] == 'X')) {
        prefix = 2;
    }
    if (prefix > 0) {
        std::string_view hex = rest.substr(prefix);
        if (hex.empty()) throw LineFailure("empty hexadecimal key number");
        uint32_t value = 0;
        int significant = 0;
        for (char c : hex) {
            const int d = HexDigit(c);
            if (d < 0) throw LineFailure("malformed key number");
            if (significant > 0 || d != 0) ++significant;
            if (significant > 8) throw LineFailure("key number too long");
            value = (value << 4) | static_cast<uint32_t>(d);
        }
        return static_cast<int32_t>(value);
    }

    bool negative = false;
    if (rest[0] == '+' || rest[0] == '-') {
        negative = rest[0] == '-';
        rest.remove_prefix(1);
    }
    if (rest.empty()) throw LineFailure("malformed key number");
    int64_t value = 0;
    const int64_t limit = negative ? 2147483648LL : 2147483647LL;
    for (char c : rest) {
        if (!IsDigit(c)) throw LineFailure("malformed key number");
        value = value * 10 + (c - '0');
        if (value > limit) throw LineFailure("key number out of range");
    }
    return static_cast<int32_t>(negative ? -value : value);
}

uint8_t ReadKeyCode(std::string_view line, InputSink& sink) {
    const SplitLine split = SplitActionLine(line);
    // A key line without any blank names no key at all.
    if (!split.hasBlank) throw LineFailure("no key given");
    if (split.parameter.empty()) {
        // The blank is the last character: the key character is code 0.
        return static_cast<uint8_t>(sink.VkKeyScanA(U'\0') & 0xFF);
    }
    if (split.parameter[0] == '#') {
        const int32_t number = ReadKeyNumber(split.parameter.substr(1));
        return static_cast<uint8_t>(static_cast<uint32_t>(number) & 0xFF);
    }
    std::size_t pos = 0;
    const char32_t ch = NextCodePoint(split.parameter, pos);
    return static_cast<uint8_t>(sink.VkKeyScanA(ch) & 0xFF);
}

}  // namespace tess
