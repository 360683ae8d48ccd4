// The update notice's text: any bytes a web server may send give a text
// that starts every line with a carriage return, stops at Ctrl+Z and keeps
// every other byte in order.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "FuzzCheck.h"
#include "about/NoticeText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::string text = tess::NoticeText(bytes);

    const std::string_view read = bytes.substr(0, bytes.find('\x1a'));
    FUZZ_CHECK(text.find('\x1a') == std::string::npos);
    FUZZ_CHECK(text.empty() == read.empty());
    if (!text.empty()) FUZZ_CHECK(text.front() == '\r');
    FUZZ_CHECK(text.size() <= read.size() + 1);

    // Dropping the line breaks from both sides leaves the same bytes: the
    // carriage returns, and each line feed that follows one directly.
    std::string expected;
    for (size_t i = 0; i < read.size(); ++i) {
        if (read[i] == '\r') {
            if (i + 1 < read.size() && read[i + 1] == '\n') ++i;
            continue;
        }
        expected += read[i];
    }
    std::string shown;
    for (char c : text)
        if (c != '\r') shown += c;
    FUZZ_CHECK(shown == expected);
    return 0;
}
