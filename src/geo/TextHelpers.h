#pragma once
// Line and token helpers of the text formats (settings-like files, schemes,
// exchange files). Trimming and case rules are the platform's.

#include <cstdio>
#include <string>
#include <string_view>

#include "platform/Text.h"

// Next line of at most 254 bytes (longer lines arrive in pieces), NUL bytes
// turned into blanks, trailing white space removed. 1 when a line was read,
// 0 at end of file or on a read error (line unchanged).
int ReadLine(std::FILE* stream, std::string& line);

std::string NextCommaToken(std::string& rest);
std::string NextBlankToken(std::string& rest);
std::string NextToken(std::string& rest, char separator);

// ReadLine over text in memory: the next piece from pos (advanced past it),
// read exactly as ReadLine reads it from a file. 1 when a line was read, 0
// at the end of the text (line unchanged).
int ReadLine(std::string_view text, std::size_t& pos, std::string& line);
