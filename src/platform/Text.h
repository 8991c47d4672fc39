#pragma once
// Text of stored files and settings: bytes as stored, ASCII-only case rules
// (names from the data sets are 8-bit and must not change with the locale),
// fixed-size fields read and written within their bounds, and one way to
// show stored bytes on screen.

#include <QString>
#include <cstddef>
#include <string>
#include <string_view>

// Blank, tab, CR, LF, VT, FF.
inline bool IsTextSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }
inline char LowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
inline char UpperAscii(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

void TrimRight(std::string& s);
void TrimLeft(std::string& s);
std::string Trimmed(std::string_view s);
// Control bytes other than tab and line ends, or DEL: no editor writes them
// into a text file, so a line that holds one is damage, not text.
bool HasBinaryBytes(std::string_view text);
std::string ToUpperAscii(std::string s);
std::string ToLowerAscii(std::string s);
bool EqualsNoCase(std::string_view a, std::string_view b);

// A fixed text field of a record: the bytes up to the first NUL, never past
// the field (a record from a file may lack its NUL).
std::string FixedText(const char* field, std::size_t size);
template <std::size_t N>
std::string FixedText(const char (&field)[N]) {
    return FixedText(field, N);
}
// Stores at most size - 1 bytes and zero-fills the rest of the field.
void SetFixedText(char* field, std::size_t size, std::string_view text);
template <std::size_t N>
void SetFixedText(char (&field)[N], std::string_view text) {
    SetFixedText(field, N, text);
}

// Stored names and comments on screen: Latin-1 reads every byte.
QString Latin1Text(std::string_view bytes);
// And back; characters Latin-1 cannot hold become '?'.
std::string Latin1Bytes(const QString& text);
