// Text as a multi-line view holds it.
#pragma once

#include <string>
#include <string_view>

// The text up to its first NUL byte, with each lone LF and each lone CR
// turned into CR LF. Nothing else is added.
std::string ToMemoText(std::string_view text);
