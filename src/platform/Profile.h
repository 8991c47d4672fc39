#pragma once
// An INI file of settings: section and key names compare case-insensitively and trimmed, integers are
// the leading decimal number of the stored text, a missing file or key gives
// the caller's default. Lines the program does not know are kept as they are,
// line endings included. The file is read once and written as a whole
// through the atomic writer.

#include <string>
#include <unordered_map>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/DataFile.h"

class CProfile {
public:
    CProfile() = default;
    explicit CProfile(std::string path) : m_Path(std::move(path)) {}

    const std::string& Path() const { return m_Path; }
    void SetPath(std::string path) { m_Path = std::move(path); }

    // Reads the file. Anything but Loaded leaves an empty profile (every
    // default). Unreadable means the file is there but could not be read
    // (permissions, I/O error, a folder): saving over it would lose the
    // user's settings. LoadError() gives the errno then.
    LoadStatus Load();
    int LoadError() const { return m_LoadError; }
    // Writes the whole file atomically; on failure the old file is intact
    // and the result carries the system's reason.
    AtomicWriteResult Save() const;

    bool HasSection(const std::string& section) const;
    bool HasKey(const std::string& section, const std::string& key) const;
    int GetInt(const std::string& section, const std::string& key, int def) const;
    // Text longer than capacity - 1 characters is cut, as by a fixed buffer.
    std::string GetString(const std::string& section, const std::string& key, const std::string& def,
                          int capacity = 255) const;
    // Creates the section (its name as given) and key when missing.
    void WriteString(const std::string& section, const std::string& key, const std::string& value);
    void WriteInt(const std::string& section, const std::string& key, int value);

    // Whole text of the file as it is saved.
    std::string Text() const;
    // Lines with binary bytes in them are damage, not settings, and are
    // dropped; lines of text the reader does not know stay.
    void SetText(const std::string& text);
    // Of the last text read: its lines that were not blank, and how many of
    // them were dropped as damaged.
    int LinesRead() const { return m_LinesRead; }
    int DamagedLines() const { return m_DamagedLines; }

private:
    struct Line {
        std::string raw;         // kept verbatim unless key/value replaced
        std::string eol = "\n";  // "\n" or "\r\n", as read
        std::string section;     // owning section (as written)
        std::string key;         // empty for non key=value lines
        std::string value;
        bool isSection = false;
    };
    // Lower-cased names to the first line that has them, as a scan from the
    // top finds them: a start reads a few hundred keys, and a scan with
    // case-blind compares for each costs more than the rest of the reading.
    struct SectionIndex {
        int header = -1;                            // first "[section]" line
        std::unordered_map<std::string, int> keys;  // first line of each key
    };
    int FindSection(const std::string& section) const;
    int FindKey(const std::string& section, const std::string& key) const;
    const SectionIndex* IndexOf(const std::string& section) const;
    // Every change of the lines but a value replaced in place drops the
    // index; the next lookup builds it anew. Not for readers on several
    // threads at once.
    void LinesChanged() { m_Indexed = false; }

    std::string m_Path;
    std::vector<Line> m_Lines;
    int m_LoadError = 0;
    int m_LinesRead = 0;
    int m_DamagedLines = 0;
    mutable std::unordered_map<std::string, SectionIndex> m_Index;
    mutable bool m_Indexed = false;
};

// Leading decimal integer of a text, as settings integers are read:
// optional blanks, optional sign, digits; no digits gives 0. Saturates.
int LeadingInt(const std::string& text);
// Leading plain decimal number ("12", "-4.465", "+1e3"); anything else,
// "nan" and "inf" included, gives 0. A number beyond the double range gives
// the largest double, one below it 0 (with its sign).
double LeadingDouble(const std::string& text);
// Whether text begins (after blanks) with a number those two take: an
// optional sign, then a digit or a point and a digit.
bool StartsWithNumber(const std::string& text);
