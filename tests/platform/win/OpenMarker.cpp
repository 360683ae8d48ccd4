// A stand-in for the program a file type is associated with: writes the
// name it was asked to open (UTF-8) to the file named by TESS_MARKER_OUT.
#include <windows.h>
#include <shellapi.h>

#include <cstdio>
#include <string>

int main() {
    int argc = 0;
    wchar_t** argv = ::CommandLineToArgvW(::GetCommandLineW(), &argc);
    wchar_t out[MAX_PATH] = {};
    if (!argv || argc < 2 || !::GetEnvironmentVariableW(L"TESS_MARKER_OUT", out, MAX_PATH)) return 2;
    const std::wstring name = argv[1];
    const int n = ::WideCharToMultiByte(CP_UTF8, 0, name.c_str(), static_cast<int>(name.size()), nullptr, 0,
                                        nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, name.c_str(), static_cast<int>(name.size()), utf8.data(), n, nullptr,
                          nullptr);
    // Written whole under a temporary name first, so the test never reads half.
    const std::wstring temp = std::wstring(out) + L".part";
    std::FILE* file = ::_wfopen(temp.c_str(), L"wb");
    if (!file) return 1;
    std::fwrite(utf8.data(), 1, utf8.size(), file);
    std::fclose(file);
    return ::MoveFileExW(temp.c_str(), out, MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
