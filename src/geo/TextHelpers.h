#pragma once
// Line and token helpers of the text formats (settings-like files, schemes,
// exchange files). Trimming and case rules are the platform's.

#include <cstdio>
#include <string>

#include "platform/Text.h"

// Next line of at most 254 bytes (longer lines arrive in pieces), NUL bytes
// turned into blanks, trailing white space removed. 1 when a line was read,
// 0 at end of file or on a read error (line unchanged).
int ReadLine(std::FILE* stream, std::string& line);

std::string NextCommaToken(std::string& rest);
std::string NextBlankToken(std::string& rest);
std::string NextToken(std::string& rest, char separator);
