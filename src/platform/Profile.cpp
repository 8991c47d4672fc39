#include "platform/Profile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <charconv>
#include <climits>
#include <cstdio>
#include <fstream>
#include <sstream>

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f'; }

std::string Trim(const std::string& s) {
    size_t b = 0, e = s.size();
    while (b < e && IsBlank(s[b])) ++b;
    while (e > b && IsBlank(s[e - 1])) --e;
    return s.substr(b, e - b);
}

char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c; }

bool SameName(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
    return true;
}

// A value must stay on its line.
std::string OneLine(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c == '\n' || c == '\r') c = ' ';
    return r;
}

}  // namespace

int LeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 1LL + INT_MAX) v = 1LL + INT_MAX;  // saturate, keep reading digits
    }
    if (neg) v = -v;
    if (v > INT_MAX) return INT_MAX;
    if (v < INT_MIN) return INT_MIN;
    return int(v);
}

double LeadingDouble(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool neg = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) neg = text[i++] == '-';
    const size_t start = i;
    size_t digits = 0;
    while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    if (i < text.size() && text[i] == '.') {
        ++i;
        while (i < text.size() && text[i] >= '0' && text[i] <= '9') ++i, ++digits;
    }
    if (digits == 0) return 0;
    // An exponent counts only when digits follow it ("1e" is 1).
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        size_t j = i + 1;
        if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
        if (j < text.size() && text[j] >= '0' && text[j] <= '9') {
            while (j < text.size() && text[j] >= '0' && text[j] <= '9') ++j;
            i = j;
        }
    }
    // from_chars ignores the C locale, so a decimal-comma locale cannot
    // change what a settings file means.
    double v = 0;
    auto res = std::from_chars(text.data() + start, text.data() + i, v, std::chars_format::general);
    if (res.ec == std::errc::result_out_of_range) {
        // Too large or too small: from_chars leaves v unchanged.
        const std::string mant = text.substr(start, i - start);
        const size_t e = mant.find_first_of("eE");
        const bool tiny = e != std::string::npos && mant.size() > e + 1 && mant[e + 1] == '-';
        v = tiny ? 0.0 : 1.7976931348623157e308;
    } else if (res.ec != std::errc()) {
        return 0;
    }
    return neg ? -v : v;
}

bool CProfile::Load() {
    m_Lines.clear();
    std::ifstream in(m_Path, std::ios::binary);
    if (!in) return false;
    std::stringstream ss;
    ss << in.rdbuf();
    if (in.bad()) return false;
    SetText(ss.str());
    return true;
}

void CProfile::SetText(const std::string& text) {
    m_Lines.clear();
    std::string section;
    size_t pos = 0;
    // Editors on other systems may put a UTF-8 mark first; it would hide the
    // first section and with it every setting of that section.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        std::string raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        if (!raw.empty() && raw.back() == '\r') raw.pop_back();

        Line line;
        line.raw = raw;
        const std::string t = Trim(raw);
        if (!t.empty() && t[0] == '[') {
            size_t close = t.find(']');
            section = Trim(t.substr(1, close == std::string::npos ? std::string::npos : close - 1));
            line.isSection = true;
        } else if (!t.empty() && t[0] != ';') {
            size_t eq = t.find('=');
            if (eq != std::string::npos && eq > 0) {
                line.key = Trim(t.substr(0, eq));
                line.value = Trim(t.substr(eq + 1));
            }
        }
        line.section = section;
        m_Lines.push_back(std::move(line));
    }
}

std::string CProfile::Text() const {
    std::string out;
    for (const Line& l : m_Lines) {
        out += l.raw;
        out += '\n';
    }
    return out;
}

bool CProfile::Save() const {
    if (m_Path.empty()) return false;
    static std::atomic<unsigned> counter{0};
    const std::string tmp =
        m_Path + ".tmp" + std::to_string(getpid()) + "-" + std::to_string(counter.fetch_add(1));
    // 0666 lets the umask decide, as for any file the user's programs make.
    int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return false;
    const std::string text = Text();
    size_t done = 0;
    bool ok = true;
    while (done < text.size()) {
        ssize_t n = ::write(fd, text.data() + done, text.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            ok = false;
            break;
        }
        done += size_t(n);
    }
    if (ok && ::fsync(fd) != 0) ok = false;
    if (::close(fd) != 0) ok = false;
    if (ok && std::rename(tmp.c_str(), m_Path.c_str()) != 0) ok = false;
    if (!ok) ::unlink(tmp.c_str());
    return ok;
}

int CProfile::FindSection(const std::string& section) const {
    const std::string s = Trim(section);
    for (size_t i = 0; i < m_Lines.size(); ++i)
        if (m_Lines[i].isSection && SameName(m_Lines[i].section, s)) return int(i);
    return -1;
}

int CProfile::FindKey(const std::string& section, const std::string& key) const {
    const std::string s = Trim(section), k = Trim(key);
    for (size_t i = 0; i < m_Lines.size(); ++i) {
        const Line& l = m_Lines[i];
        if (!l.isSection && !l.key.empty() && SameName(l.section, s) && SameName(l.key, k)) return int(i);
    }
    return -1;
}

bool CProfile::HasKey(const std::string& section, const std::string& key) const {
    return FindKey(section, key) >= 0;
}

int CProfile::GetInt(const std::string& section, const std::string& key, int def) const {
    int i = FindKey(section, key);
    return i < 0 ? def : LeadingInt(m_Lines[size_t(i)].value);
}

std::string CProfile::GetString(const std::string& section, const std::string& key, const std::string& def,
                                int capacity) const {
    int i = FindKey(section, key);
    std::string v = i < 0 ? def : m_Lines[size_t(i)].value;
    const size_t room = capacity > 0 ? size_t(capacity - 1) : 0;
    if (v.size() > room) v.resize(room);
    return v;
}

void CProfile::WriteString(const std::string& section, const std::string& key, const std::string& value) {
    const std::string s = Trim(section), k = Trim(key), v = Trim(OneLine(value));
    Line kv;
    kv.section = s;
    kv.key = k;
    kv.value = v;
    kv.raw = k + "=" + v;

    int i = FindKey(s, k);
    if (i >= 0) {
        kv.section = m_Lines[size_t(i)].section;
        m_Lines[size_t(i)] = std::move(kv);
        return;
    }
    int sec = FindSection(s);
    if (sec < 0) {
        // A blank line between sections, as people lay INI files out.
        if (!m_Lines.empty() && !Trim(m_Lines.back().raw).empty()) {
            Line blank;
            blank.section = m_Lines.back().section;
            m_Lines.push_back(blank);
        }
        Line head;
        head.isSection = true;
        head.section = s;
        head.raw = "[" + s + "]";
        m_Lines.push_back(std::move(head));
        m_Lines.push_back(std::move(kv));
        return;
    }
    // After the last non-blank line of the section, so blank separators stay last.
    kv.section = m_Lines[size_t(sec)].section;
    size_t at = size_t(sec) + 1;
    for (size_t j = size_t(sec) + 1; j < m_Lines.size() && !m_Lines[j].isSection; ++j)
        if (!Trim(m_Lines[j].raw).empty()) at = j + 1;
    m_Lines.insert(m_Lines.begin() + long(at), std::move(kv));
}

void CProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}
