#pragma once
// Who makes the program and where it lives on the web. The home page and the
// update notice are served by the same host; the about box shows the shorter
// address as its link text.

namespace tess::maker {

inline constexpr char kHost[] = "www.velmora.net";
inline constexpr char kCreditLine[] = "Velmora software";
inline constexpr char kWebAddress[] = "velmora.net";

inline constexpr char kHomePagePath[] = "/index.htm";
inline constexpr char kNoticePath[] = "/tessaline/new_ver_info.txt";

}  // namespace tess::maker
