// The program's small text utilities: reading numbers from text and finding a character.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace solvara {

// The program-wide text-to-integer conversion with a default. Leading spaces and a
// sign are allowed, digits may be hexadecimal after "$" or "0x"; the whole text must
// be consumed and the value must fit in a signed 32-bit integer, otherwise the
// default comes back. Every reader of numbers in text goes through here.
int32_t IntegerOfText(const std::string& text, int32_t defaultValue);
// The same for a piece of a text.
int32_t IntegerOfView(std::string_view text, int32_t defaultValue);

// 1-based position of the one-character text Sub in S from Start, 0 when absent.
// Without CaseSensitive, an ASCII letter is looked for in the other case only after
// the exact case was not found anywhere.
int32_t PosChar(const std::string& Sub, const std::string& S, bool CaseSensitive = true,
                int32_t Start = 1);

}  // namespace solvara
