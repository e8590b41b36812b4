#pragma once
// The spacing scale and the component sizes, in logical pixels.

namespace keldra {

namespace OLSpace {
inline constexpr double s4 = 4;
inline constexpr double s8 = 8;
inline constexpr double s12 = 12;
inline constexpr double s16 = 16;
inline constexpr double s20 = 20;
inline constexpr double s24 = 24;
inline constexpr double s32 = 32;
inline constexpr double s40 = 40;
inline constexpr double s48 = 48;
} // namespace OLSpace

namespace OLSize {
inline constexpr double xs = 24;
inline constexpr double sm = 32;
inline constexpr double md = 44;
inline constexpr double lg = 56;
inline constexpr double controlHeight = 34;
inline constexpr double controlHeightLarge = 38;
inline constexpr double chipHeight = 26;
inline constexpr double controlHeightXLarge = 46;
inline constexpr double fieldHeight = 36;
inline constexpr double box56 = 56;
inline constexpr double rowHeight = 54;
inline constexpr double rowHeightLarge = 64;
inline constexpr double box26 = 26;
inline constexpr double sidebarWidth = 236;
inline constexpr double topBarHeight = 58;
inline constexpr double box40 = 40;
inline constexpr double box22 = 22;
inline constexpr double orb = 208;
inline constexpr double box228 = 228;
inline constexpr double orbCompact = 120;
inline constexpr double popoverWidth = 360;
} // namespace OLSize

} // namespace keldra
