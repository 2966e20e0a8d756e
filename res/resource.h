// Resource and control identifiers.
#pragma once

inline constexpr unsigned int IDD_QUILLBECK_DIALOG = 102;
inline constexpr unsigned int IDR_MAINFRAME = 115;
