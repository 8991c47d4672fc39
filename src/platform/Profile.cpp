#include "platform/Profile.h"

#include <cerrno>
#include <charconv>
#include <climits>
#include <limits>

#include "platform/Text.h"

namespace {

// A value must stay on its line.
std::string OneLine(const std::string& s) {
    std::string r = s;
    for (char& c : r)
        if (c == '\n' || c == '\r') c = ' ';
    return r;
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Decimal exponent of the leading significant digit of a plain decimal
// number (digits, optional '.', digits, optional exponent), i.e. the number
// is about 10^k; only its sign is used, so the exponent saturates.
long long MagnitudeOf(const std::string& number) {
    long long k = 0;
    bool point = false, significant = false;
    std::size_t i = 0;
    for (; i < number.size() && (IsDigit(number[i]) || number[i] == '.'); ++i) {
        if (number[i] == '.') {
            point = true;
        } else if (significant || number[i] != '0') {
            significant = true;
            if (!point) ++k;
        } else if (point) {
            --k;  // a zero between the point and the first significant digit
        }
    }
    if (i < number.size() && (number[i] == 'e' || number[i] == 'E')) {
        ++i;
        const bool neg = i < number.size() && number[i] == '-';
        if (i < number.size() && (number[i] == '-' || number[i] == '+')) ++i;
        long long e = 0;
        for (; i < number.size() && IsDigit(number[i]); ++i)
            if (e < 1000000000LL) e = e * 10 + (number[i] - '0');
        k += neg ? -e : e;
    }
    return k;
}

}  // namespace

int LeadingInt(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsTextSpace(text[i])) ++i;
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

bool StartsWithNumber(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsTextSpace(text[i])) ++i;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) ++i;
    if (i < text.size() && text[i] == '.') ++i;
    return i < text.size() && text[i] >= '0' && text[i] <= '9';
}

double LeadingDouble(const std::string& text) {
    size_t i = 0;
    while (i < text.size() && IsTextSpace(text[i])) ++i;
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
        // Too large or too small: from_chars leaves v unchanged. The size of
        // the number decides, not the exponent's sign: "0.000...01e5" is tiny
        // and "1000...0e-1" is huge.
        v = MagnitudeOf(text.substr(start, i - start)) > 0 ? std::numeric_limits<double>::max() : 0.0;
    } else if (res.ec != std::errc()) {
        return 0;
    }
    return neg ? -v : v;
}

LoadStatus CProfile::Load() {
    m_Lines.clear();
    LinesChanged();
    std::string text;
    const LoadStatus status = ReadWholeFile(m_Path, text, m_LoadError);
    if (status == LoadStatus::Loaded) SetText(text);
    return status;
}

void CProfile::SetText(const std::string& text) {
    m_Lines.clear();
    LinesChanged();
    m_LinesRead = m_DamagedLines = 0;
    std::string section;
    size_t pos = 0;
    // Editors on other systems may put a UTF-8 mark first; it would hide the
    // first section and with it every setting of that section.
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) pos = 3;
    while (pos < text.size()) {
        size_t nl = text.find('\n', pos);
        Line line;
        line.raw = text.substr(pos, nl == std::string::npos ? std::string::npos : nl - pos);
        pos = nl == std::string::npos ? text.size() : nl + 1;
        // Only the CR of a CR LF pair belongs to the line end; more CRs
        // before it are the line's own and are written back.
        if (nl != std::string::npos && !line.raw.empty() && line.raw.back() == '\r') {
            line.raw.pop_back();
            line.eol = "\r\n";
        }

        const std::string t = Trimmed(line.raw);
        // Text lines the reader does not understand are the user's and stay.
        const bool damaged = HasBinaryBytes(line.raw);
        if (!t.empty() || damaged) ++m_LinesRead;
        if (damaged) {
            ++m_DamagedLines;
            continue;
        }
        if (!t.empty() && t[0] == '[') {
            size_t close = t.find(']');
            section = Trimmed(
                std::string_view(t).substr(1, close == std::string::npos ? std::string::npos : close - 1));
            line.isSection = true;
        } else if (!t.empty() && t[0] != ';') {
            size_t eq = t.find('=');
            if (eq != std::string::npos && eq > 0) {
                line.key = Trimmed(std::string_view(t).substr(0, eq));
                line.value = Trimmed(std::string_view(t).substr(eq + 1));
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
        out += l.eol;
    }
    return out;
}

AtomicWriteResult CProfile::Save() const {
    if (m_Path.empty()) return {AtomicWriteStatus::CannotCreate, ENOENT};
    return WriteFileAtomically(m_Path, Text());
}

const CProfile::SectionIndex* CProfile::IndexOf(const std::string& section) const {
    if (!m_Indexed) {
        m_Index.clear();
        for (size_t i = 0; i < m_Lines.size(); ++i) {
            const Line& l = m_Lines[i];
            if (l.isSection) {
                SectionIndex& s = m_Index[ToLowerAscii(l.section)];
                if (s.header < 0) s.header = int(i);
            } else if (!l.key.empty()) {
                m_Index[ToLowerAscii(l.section)].keys.try_emplace(ToLowerAscii(l.key), int(i));
            }
        }
        m_Indexed = true;
    }
    const auto it = m_Index.find(ToLowerAscii(Trimmed(section)));
    return it == m_Index.end() ? nullptr : &it->second;
}

int CProfile::FindSection(const std::string& section) const {
    const SectionIndex* s = IndexOf(section);
    return s ? s->header : -1;
}

int CProfile::FindKey(const std::string& section, const std::string& key) const {
    const SectionIndex* s = IndexOf(section);
    if (!s) return -1;
    const auto it = s->keys.find(ToLowerAscii(Trimmed(key)));
    return it == s->keys.end() ? -1 : it->second;
}

bool CProfile::HasSection(const std::string& section) const { return FindSection(section) >= 0; }

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
    const std::string s = Trimmed(section), k = Trimmed(key), v = Trimmed(OneLine(value));
    Line kv;
    kv.section = s;
    kv.key = k;
    kv.value = v;
    kv.raw = k + "=" + v;

    int i = FindKey(s, k);
    if (i >= 0) {
        // The same section and key but for case: the index stays right.
        kv.section = m_Lines[size_t(i)].section;
        kv.eol = m_Lines[size_t(i)].eol;
        m_Lines[size_t(i)] = std::move(kv);
        return;
    }
    int sec = FindSection(s);
    LinesChanged();
    if (sec < 0) {
        // A blank line between sections, as people lay INI files out.
        if (!m_Lines.empty() && !Trimmed(m_Lines.back().raw).empty()) {
            Line blank;
            blank.section = m_Lines.back().section;
            blank.eol = m_Lines.back().eol;
            m_Lines.push_back(blank);
        }
        Line head;
        if (!m_Lines.empty()) head.eol = kv.eol = m_Lines.back().eol;
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
        if (!Trimmed(m_Lines[j].raw).empty()) at = j + 1;
    kv.eol = m_Lines[at - 1].eol;
    m_Lines.insert(m_Lines.begin() + long(at), std::move(kv));
}

void CProfile::WriteInt(const std::string& section, const std::string& key, int value) {
    WriteString(section, key, std::to_string(value));
}
