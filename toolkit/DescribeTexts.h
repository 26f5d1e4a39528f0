// How another program (a screen reader, a test driver) asks a toolkit form
// for the texts of its labels, which have no window of their own: it sends
// the registered message of this name with its own window handle as wParam,
// and the form answers with a WM_COPYDATA to that window whose dwData is
// kDescribeTextsData and whose bytes are the captions, each followed by a
// line break. A leaf: the asking side needs nothing else of the toolkit.
#pragma once

#include <cstdint>

inline constexpr const char* kDescribeTextsMessageName = "Toolkit.DescribeTexts";
inline constexpr std::uintptr_t kDescribeTextsData = 0x54585453;  // "TXTS"
