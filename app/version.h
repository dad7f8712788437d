// The program's name and versions: the title shows one, the executable carries the other.
#pragma once

namespace brisel {

inline constexpr char applicationName[] = "brisel";
// The executable's version; the version in the title is the window's own and independent of it.
inline constexpr char fileVersion[] = "1.01";
// The version in the window's title; the console program reports it too.
inline constexpr char16_t windowVersion[] = u"1.2";

}  // namespace brisel
