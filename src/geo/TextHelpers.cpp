#include "geo/TextHelpers.h"

#include <cstring>

namespace {

bool IsTextSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

constexpr std::size_t kLineBuffer = 255;  // one piece is at most kLineBuffer - 1 bytes

std::string SplitAt(std::string& rest, char separator) {
    std::string token;
    const std::size_t p = rest.find(separator);
    if (p == std::string::npos) {
        token.swap(rest);
        rest.clear();
    } else {
        token = rest.substr(0, p);
        rest.erase(0, p + 1);
    }
    TrimRight(token);
    return token;
}

}  // namespace

int ReadLine(std::FILE* stream, std::string& line) {
    if (std::feof(stream)) return 0;
    char buffer[kLineBuffer];
    std::memset(buffer, 0, sizeof buffer);
    if (!std::fgets(buffer, static_cast<int>(sizeof buffer), stream)) return 0;
    // The whole buffer, not just the text read: embedded NULs and the unused
    // tail all become blanks, and the tail goes again with the trim below.
    for (char& c : buffer)
        if (c == '\0') c = ' ';
    buffer[kLineBuffer - 1] = '\0';
    line.assign(buffer);
    TrimRight(line);
    return 1;
}

std::string NextCommaToken(std::string& rest) { return SplitAt(rest, ','); }

std::string NextBlankToken(std::string& rest) {
    TrimLeft(rest);
    return SplitAt(rest, ' ');
}

std::string NextToken(std::string& rest, char separator) {
    TrimLeft(rest);
    return SplitAt(rest, separator);
}

void TrimRight(std::string& s) {
    std::size_t n = s.size();
    while (n > 0 && IsTextSpace(s[n - 1])) --n;
    s.resize(n);
}

void TrimLeft(std::string& s) {
    std::size_t n = 0;
    while (n < s.size() && IsTextSpace(s[n])) ++n;
    s.erase(0, n);
}

std::string ToUpperAscii(std::string s) {
    for (char& c : s)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return s;
}

std::string ToLowerAscii(std::string s) {
    for (char& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}

bool EqualsNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}
