// The stores at the end of a run: written while the window is still up, so
// that a file that cannot be written can be named and tried again, or, when
// the session ends with nobody to answer, listed for the next start.
#include <cstdio>

#include "doc/VornaDoc.h"
#include "platform/AtomicFile.h"
#include "platform/Prompt.h"
#include "settings/AppSettings.h"

namespace {

const char kNotSavedIntro[] =
    "The last session ended before these files could be saved; their changes are lost:";
const char kRetryOffer[] =
    "\n\nFree some space or mend the permission, then choose Yes to try again, or choose No to quit "
    "without saving this file (its old content stays).";

}  // namespace

std::string CVornaDoc::NotSavedNoteName() const { return m_Settings.startDirectory + "NotSaved.txt"; }

std::vector<CVornaDoc::StoreFile> CVornaDoc::UnsavedStoreFiles() const {
    std::vector<StoreFile> files;
    for (int q = 0; q < kBaseCount; ++q) {
        const WptBase& b = m_Waypoints.Base(q);
        if (b.Loaded && b.Modified) files.push_back({StoreFile::Base, q});
    }
    for (int which = 0; which < 2; ++which)
        if (m_Waypoints.CounterFileChanged(which)) files.push_back({StoreFile::Counters, which});
    if (m_TrackLog.NeedsWrite(m_TrackLog.DefaultName())) files.push_back({StoreFile::TrackLog, 0});
    if (m_Search.Modified()) files.push_back({StoreFile::SearchArea, 0});
    return files;
}

std::string CVornaDoc::WriteStoreFile(const StoreFile& file) {
    switch (file.kind) {
        case StoreFile::Base: {
            WptBase& b = m_Waypoints.Base(file.index);
            return m_Waypoints.WriteBaseFile(b.FileName, b);
        }
        case StoreFile::Counters:
            return m_Waypoints.WriteCounterFile(file.index);
        case StoreFile::TrackLog:
            return m_TrackLog.WriteFile(m_TrackLog.DefaultName());
        case StoreFile::SearchArea:
            return m_Search.WriteDatFile(SearchAreaDatName());
    }
    return {};
}

void CVornaDoc::GiveUpStoreFile(const StoreFile& file) {
    switch (file.kind) {
        case StoreFile::Base:
            m_Waypoints.Base(file.index).Modified = 0;
            break;
        case StoreFile::Counters:
            m_Waypoints.GiveUpCounterChanges(file.index);
            break;
        case StoreFile::TrackLog:
            m_TrackLog.GiveUpChanges();
            break;
        case StoreFile::SearchArea:
            m_Search.GiveUpChanges();
            break;
    }
}

std::vector<std::string> CVornaDoc::SaveStoresAtExit(StoreExit mode,
                                                     const std::function<bool()>& sessionEnding) {
    std::vector<std::string> notSaved;
    // Files are named by kind and index, never held: a box may run a pass
    // that closes or grows a base.
    for (const StoreFile& file : UnsavedStoreFiles()) {
        for (;;) {
            const std::string fault = WriteStoreFile(file);
            if (fault.empty()) break;
            if (mode == StoreExit::Ask) {
                const int answer = MsgBox(fault + kRetryOffer, MB_YESNO | MB_ICONERROR);
                if (sessionEnding && sessionEnding()) return notSaved;
                if (answer == IDYES) continue;
            } else {
                notSaved.push_back(fault);
            }
            if (mode != StoreExit::Commit) GiveUpStoreFile(file);
            break;
        }
    }
    // The user has heard of every file at a normal exit; a note of an
    // earlier attempt in this run is out of date.
    const std::string note = NotSavedNoteName();
    if (notSaved.empty()) {
        RemoveFileIfPresent(note);
        return notSaved;
    }
    std::string text;
    for (const std::string& line : notSaved) text += line + "\n";
    if (!WriteFileAtomically(note, text).ok())
        std::fprintf(stderr, "%s\n%s", kNotSavedIntro, text.c_str());  // the start folder is full too
    return notSaved;
}

void CVornaDoc::ReportNotSavedAtLastEnd() {
    const std::string note = NotSavedNoteName();
    std::FILE* f = std::fopen(note.c_str(), "rb");
    if (!f) return;
    std::string text;
    char buf[4096];
    // The note is ours and small; a huge one is shown in part.
    for (std::size_t n; text.size() < 65536 && (n = std::fread(buf, 1, sizeof buf, f)) > 0;)
        text.append(buf, n);
    std::fclose(f);
    while (!text.empty() && text.back() == '\n') text.pop_back();
    RemoveFileIfPresent(note);
    if (!text.empty()) MsgBox(std::string(kNotSavedIntro) + "\n" + text, MB_ICONWARNING);
}
