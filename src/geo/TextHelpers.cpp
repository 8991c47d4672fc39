#include "geo/TextHelpers.h"

#include <algorithm>
#include <cstring>

namespace {

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

int ReadLine(std::string_view text, std::size_t& pos, std::string& line) {
    if (pos >= text.size()) return 0;
    std::size_t n = std::min(text.size() - pos, kLineBuffer - 1);
    const std::size_t feed = text.substr(pos, n).find('\n');
    if (feed != std::string_view::npos) n = feed + 1;
    line.assign(text.substr(pos, n));
    pos += n;
    for (char& c : line)
        if (c == '\0') c = ' ';
    TrimRight(line);
    return 1;
}
