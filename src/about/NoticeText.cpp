#include "about/NoticeText.h"

#include <algorithm>

#include "script/Utf8.h"

namespace tess {

std::string NoticeText(std::string_view bytes) {
    const size_t end = bytes.find('\x1a');
    if (end != std::string_view::npos) bytes = bytes.substr(0, end);

    std::string text;
    text.reserve(bytes.size() + 1);
    size_t pos = 0;
    while (pos < bytes.size()) {
        size_t cr = bytes.find('\r', pos);
        if (cr == std::string_view::npos) cr = bytes.size();
        text += '\r';
        text.append(bytes.substr(pos, cr - pos));
        pos = cr;
        if (pos < bytes.size()) {
            ++pos;  // the carriage return
            if (pos < bytes.size() && bytes[pos] == '\n') ++pos;
        }
    }
    return text;
}

std::string NoticeUtf8(std::string_view text) {
    std::string out = IsValidUtf8(text) ? std::string(text) : Windows1252ToUtf8(text);
    std::erase(out, '\0');
    return out;
}

}  // namespace tess
