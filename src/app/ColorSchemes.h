#pragma once
// The layer colour schemes: the table in "LayerSchemes.cfg", single-scheme
// ".lcs" files and the per-series choices from the APPEARANCE section.

#include <cstdio>
#include <string>

#include "app/AppSettings.h"
#include "platform/DataFile.h"
#include "platform/Profile.h"

// Configuration folder + "LayerSchemes.cfg" (start folder when none is set).
std::string LayerSchemesPath(const AppSettings& s);

// Fills the table from the scheme file and resolves the ten choices,
// appending a scheme for every choice that names none.
void LoadLayerSchemes(const CProfile& ini, AppSettings& s);
// Six colours from configuration folder + name + ".lcs"; 1 when the file opened.
int LoadSchemeFile(const AppSettings& s, CColorScheme& scheme, const std::string& name);
// Writes the whole table through a temporary file; on failure shows the
// message, keeps the old file and returns false.
bool SaveLayerSchemes(const AppSettings& s);

// One scheme line as the file holds it, with its line end.
std::string SchemeLine(const CColorScheme& scheme);

// fopen that, when the file is not there, takes a file of the same name in
// another letter case from the same folder (data often comes from Windows).

