#pragma once
// The ".inf" file beside an image map: its georeference as text, one value
// a line (a single scale, pixel offset x and y, origin easting and northing,
// then optionally rotation, X scale and Y scale).

#include <string>

#include "doc/ImageMapGeoref.h"

// The pixel offset an image's file name gives before any ".inf" is read:
// characters 4-5 of the name times 792, characters 1-2 times 580.
ImageGeoref::Pixel DefaultPixelOffset(const std::string& imagePath);

// Reads the ".inf" of imagePath into georef; blank optional lines count as
// left out. False when the file is missing, or damaged or with a value
// outside what an image of the area can use (both reported); georef is then
// unchanged.
bool ReadImageInf(const std::string& imagePath, ImageGeoref& georef);
// False (reported) when the file could not be written; an old one then stays.
bool WriteImageInf(const std::string& imagePath, const ImageGeoref& georef);
