#pragma once
// The layer colour schemes: the table in "LayerSchemes.cfg", single-scheme
// ".lcs" files and the per-series choices from the APPEARANCE section.

#include <cstdio>
#include <string>

#include "platform/DataFile.h"
#include "platform/Profile.h"
#include "settings/AppSettings.h"
#include "settings/AppSettingsIO.h"

// Configuration folder + "LayerSchemes.cfg" (start folder when none is set).
std::string LayerSchemesPath(const AppSettings& s);

// Fills the table from the scheme file and resolves the ten choices,
// appending a scheme for every choice that names none. Says whether the
// scheme file was there and could be read; an unreadable one gives an empty
// table, as a missing one does.
StoredFileCheck LoadLayerSchemes(const CProfile& ini, AppSettings& s);
// Six colours from configuration folder + name + ".lcs"; 1 when the file opened.
int LoadSchemeFile(const AppSettings& s, CColorScheme& scheme, const std::string& name);
// Writes the whole table through the atomic writer; on failure shows the
// message with the system's reason, keeps the old file and returns false.
bool SaveLayerSchemes(const AppSettings& s);

// One scheme line as the file holds it, with its line end.
std::string SchemeLine(const CColorScheme& scheme);

// Whether a name can be stored in the scheme file and the settings file and
// read back unchanged. When not, *reason (if given) says why, for the user.
bool IsValidSchemeName(const std::string& name, std::string* reason = nullptr);
