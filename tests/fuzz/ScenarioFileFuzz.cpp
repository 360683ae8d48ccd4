// Scenario file bytes: any file reads into lines, and saving those lines
// and reading them back gives the same lines.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzCheck.h"
#include "script/ScenarioText.h"
#include "script/Utf8.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = tess::DecodeScenario(bytes);

    for (const std::string& line : lines) {
        // Lines in memory are always UTF-8 and hold no line feed.
        FUZZ_CHECK(tess::IsValidUtf8(line));
        FUZZ_CHECK(line.find('\n') == std::string::npos);
    }
    FUZZ_CHECK(lines.size() <= size);

    const std::string saved = tess::EncodeScenario(lines);
    FUZZ_CHECK(tess::IsValidUtf8(saved));
    FUZZ_CHECK(tess::DecodeScenario(saved) == lines);
    // Saving again writes the very same bytes.
    FUZZ_CHECK(tess::EncodeScenario(tess::DecodeScenario(saved)) == saved);
    return 0;
}
