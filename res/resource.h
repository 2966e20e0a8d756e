// Resource and control identifiers.
#pragma once

inline constexpr unsigned int IDD_QUILLBECK_DIALOG = 102;
inline constexpr unsigned int IDR_MAINFRAME = 115;
inline constexpr unsigned int IDD_UPDATE_DIALOG = 131;

// Controls of the update prompt.
inline constexpr unsigned int IDC_YES = 1000;
inline constexpr unsigned int IDC_NO = 1001;
inline constexpr unsigned int IDC_QUESTION = 1002;
inline constexpr unsigned int IDC_REQUIRED = 1003;
