#pragma once
// The track log: one growable array of track points with its selection, read
// at start-up from and written at the end to "<start folder>TrackLog.dat".

#include <cstdint>
#include <string>
#include <vector>

#include "doc/WptTypes.h"

struct AppSettings;
class CMemoryCounters;

class CTrackLogStore {
public:
    // The grow step is the settings' track log overdraft, read whenever the
    // log is cleared (a value below 1 counts as 1).
    CTrackLogStore(const AppSettings& settings, CMemoryCounters& memory);
    ~CTrackLogStore();
    CTrackLogStore(const CTrackLogStore&) = delete;
    CTrackLogStore& operator=(const CTrackLogStore&) = delete;

    // The log's file without ".dat": the start folder + "TrackLog".
    std::string DefaultName() const;
    // 1 read (a missing file is an empty log), 0 not read. A file that exists
    // but cannot be read is kept: an empty log never deletes it.
    int Read(const std::string& name);
    // 1 written (or an empty log's file deleted), 0 failed: the file is kept.
    // A failure is reported once until a write succeeds. A log that has not
    // changed since its file was read or written is not written again while
    // that file is still the one it left (a log of millions of points costs
    // seconds at every exit); a file gone, replaced or of another length is.
    int Write(const std::string& name);
    // The same without a box: "" when written (or nothing to write), else
    // the message naming the file (and the reason).
    std::string WriteFile(const std::string& name);
    // The changes are not to be written: they count as stored.
    void GiveUpChanges() {
        m_SavedChanges = m_Changes;
        m_GivenUp = true;
    }
    // The points changed since they were last read or written.
    bool Modified() const { return m_Changes != m_SavedChanges; }
    // Modified, or the file is no longer the one last read or written.
    bool NeedsWrite(const std::string& name) const;
    // Empties the log with room for n points plus the grow step.
    void Clear(int n);
    int Reallocate();  // 1 grown, 0 refused (nothing may be appended)
    // Appends a point, growing the array when full; false when refused.
    bool Append(const TrackPoint& p);
    // Nearest point within the ellipse (rx, ry) around pos; -1 none.
    int ClosestPoint(TrackPoint* out, CPointD pos, int rx, int ry) const;

    const TrackBase& Log() const { return m_Log; }
    int Count() const { return m_Log.Count; }
    // Shortens the log (points beyond the count are kept as room).
    void Truncate(int count);
    const TrackPoint* Points() const { return m_Log.Data.data(); }

    // Segments and days. Every index is checked against the count: a point
    // outside the log gives -1 (or false) and changes nothing.
    // The local calendar date of a time as year * 1000 + day of the year.
    static int DayKey(std::int32_t time);
    int SegmentFirst(int k) const;  // the point that starts k's segment
    int SegmentLast(int k) const;   // the last point of k's segment
    int DayFirst(int k) const;      // the first point of the run of k's day
    int DayLast(int k) const;
    // Joins point k to the point before it and the point after it to k.
    // True when a flag was cleared.
    bool Join(int k);
    bool BreakBefore(int k);  // k starts a segment
    bool BreakAfter(int k);   // k + 1 starts a segment; false on the last point
    // Removes points a..b (either order); the point that then follows the
    // gap starts a segment. The selection is cleared. False when out of range.
    bool DeleteRange(int a, int b);
    bool IsValidIndex(int k) const { return k >= 0 && k < m_Log.Count; }

    int SelStart = -1;  // selection, -1 none
    int SelEnd = -1;

private:
    // The bounding box of each full block of points, so that a nearest-point
    // search skips the blocks far away. Points only ever change by being
    // appended, or all at once (Clear, Read, Truncate drop the boxes).
    static constexpr int kBoxPoints = 64;
    struct BlockBox {
        double e0, e1, n0, n1;
    };
    void BoxFullBlocks() const;
    void DropBoxes(int count);

    void Changed() { ++m_Changes; }

    // The file as last read or written, to tell whether it is still that one.
    struct FileStamp {
        std::string path;
        std::uint64_t dev = 0, ino = 0;
        long long size = -1;
        long long mtimeNs = 0;
        bool operator==(const FileStamp&) const = default;
    };
    static FileStamp StampOf(const std::string& path, int fd = -1);
    bool FileIsAsSaved(const std::string& path) const;

    const AppSettings& m_Settings;
    CMemoryCounters& m_Memory;
    TrackBase m_Log;
    std::uint64_t m_Changes = 0;  // every change of the points counts one
    std::uint64_t m_SavedChanges = 0;
    FileStamp m_Saved;       // size -1: none
    bool m_GivenUp = false;  // the file as it is stands for the points until they change
    bool m_WriteFailShown = false;
    mutable std::vector<BlockBox> m_Boxes;  // blocks 0 .. size-1, built on a search
    mutable std::size_t m_BoxBytes = 0;     // counted in the track log's memory
};
