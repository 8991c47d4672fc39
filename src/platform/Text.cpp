#include "platform/Text.h"

#include <cstring>

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

bool HasBinaryBytes(std::string_view text) {
    for (const unsigned char c : text)
        if ((c < 0x20 && c != '\t' && c != '\r' && c != '\n') || c == 0x7F) return true;
    return false;
}

std::string Trimmed(std::string_view s) {
    std::size_t b = 0, e = s.size();
    while (b < e && IsTextSpace(s[b])) ++b;
    while (e > b && IsTextSpace(s[e - 1])) --e;
    return std::string(s.substr(b, e - b));
}

std::string ToUpperAscii(std::string s) {
    for (char& c : s) c = UpperAscii(c);
    return s;
}

std::string ToLowerAscii(std::string s) {
    for (char& c : s) c = LowerAscii(c);
    return s;
}

bool EqualsNoCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

std::string FixedText(const char* field, std::size_t size) {
    const void* nul = std::memchr(field, '\0', size);
    return std::string(field, nul ? std::size_t(static_cast<const char*>(nul) - field) : size);
}

void SetFixedText(char* field, std::size_t size, std::string_view text) {
    if (size == 0) return;
    const std::size_t n = text.size() < size - 1 ? text.size() : size - 1;
    std::memcpy(field, text.data(), n);
    std::memset(field + n, 0, size - n);
}

QString Latin1Text(std::string_view bytes) {
    return QString::fromLatin1(bytes.data(), qsizetype(bytes.size()));
}

std::string Latin1Bytes(const QString& text) {
    // toLatin1() leaves characters outside Latin-1 unspecified.
    std::string out;
    out.reserve(std::size_t(text.size()));
    for (const QChar c : text) out += c.unicode() <= 0xFF ? char(c.unicode()) : '?';
    return out;
}
