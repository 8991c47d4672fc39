#pragma once
// A stored file the program could read only in part (cut short, of the wrong
// size, with lines that make no sense) is read as far as it goes and later
// written back cleaned. Before that a copy of its damaged bytes is kept beside it,
// and the user is told which file it was and what was kept.

#include <string>

#include "platform/AtomicFile.h"

struct DamagedCopy {
    std::string path;          // the copy of the damaged bytes; empty when none could be made
    AtomicWriteResult result;  // why not, when path is empty
    bool ok() const { return !path.empty(); }
};

// Keeps the bytes of file as "<file>.damaged". A copy already there with the
// same bytes is that copy; a copy with other bytes is never replaced: the
// first of "<file>.damaged.1", ".2", ... that is free or holds the same bytes
// is used instead, so no damaged file's bytes are ever lost.
DamagedCopy KeepDamagedCopy(const std::string& file);

// KeepDamagedCopy, then one message: "The file <file> is damaged: <kept>;
// the damaged original is kept as <copy>" (or why no copy could be made).
DamagedCopy ReportDamagedFile(const std::string& file, const std::string& kept);

// "kept 3 of its 4 points": the noun gets an "s" unless total is 1.
std::string KeptOf(long long kept, long long total, const std::string& noun);
