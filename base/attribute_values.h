#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string_view>

// The value grammars of markup attribute texts: integers, lists of them, booleans and colours.
// Every parser reads only inside the given text and never fails: what it cannot read counts as 0.
namespace base::attribute {

// A decimal integer as the C library reads one: leading blanks, an optional sign, digits up to
// the first non-digit; out-of-range values saturate. consumed (if given) receives how many
// characters were read, 0 when there were no digits.
int ParseInt(std::wstring_view text, size_t* consumed = nullptr);

// A decimal number with an optional fraction and exponent, read like ParseInt.
double ParseDouble(std::wstring_view text, size_t* consumed = nullptr);

// count integers one after another, each read starting one character after where the previous
// read stopped, so any single separator character works ("0,5,600,50", "1 2 3 4").
void ParseIntList(std::wstring_view text, int* values, size_t count);
RECT ParseRect(std::wstring_view text);
SIZE ParseSize(std::wstring_view text);
void ParseDoubleList(std::wstring_view text, double* values, size_t count);

// True only for exactly "true".
bool ParseBool(std::wstring_view text);

// Colour A: characters up to U+0020 are skipped, then one "#", then a hexadecimal number with an
// optional "0x" prefix, read up to the first non-hex character.
uint32_t ParseColor(std::wstring_view text);
// Colour B: only one leading "#" is skipped; blanks make the value 0.
uint32_t ParseColorNoBlanks(std::wstring_view text);

}  // namespace base::attribute
