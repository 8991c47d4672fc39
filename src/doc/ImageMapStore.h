#pragma once
// The image map: one bitmap with its headers, palette and placement on the
// grid. Its pixel rows are kept as in the file, bottom row first, Stride()
// bytes apart.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "doc/DibFormat.h"
#include "doc/ImageMapGeoref.h"
#include "doc/MapViewDesc.h"

class CImageMapArchive;
class CMemoryCounters;

// A bitmap read whole from its file, not yet the image map.
struct LoadedBitmap {
    BitmapFileHeader file;
    DibHeader header{};
    std::unique_ptr<std::uint8_t[]> pixels;
    std::size_t size = 0;
    std::size_t stride = 0;
};

class CImageMapStore {
public:
    explicit CImageMapStore(CMemoryCounters& memory) : m_Memory(memory) {}
    ~CImageMapStore() { Deallocate(); }
    CImageMapStore(const CImageMapStore&) = delete;
    CImageMapStore& operator=(const CImageMapStore&) = delete;

    // Loading (when no pixels are held) reads the bitmap from the archive;
    // storing writes the held one. Neither sets the map type or the
    // georeference. False when nothing was loaded or stored.
    bool Serialize(CImageMapArchive& ar);
    // Reads a whole bitmap from the archive's position without touching the
    // store, so a file that fails leaves the held image as it is. Nothing
    // after its one message when the file is refused or cannot be read whole.
    static std::optional<LoadedBitmap> ReadBitmap(CImageMapArchive& ar);
    // Frees the held pixels and takes the read ones.
    void Install(LoadedBitmap&& bitmap);
    // Writes the held image through a temporary file beside path.
    bool Save(const std::string& path);
    // Frees the pixels; when pixels were held the map type becomes none.
    void Deallocate();
    // Takes a pixel block made elsewhere (a generated or test image).
    void Adopt(const BitmapInfoHeader& info, std::unique_ptr<std::uint8_t[]> pixels, std::size_t size,
               std::size_t stride);

    bool HasPixels() const { return m_Pixels != nullptr; }
    std::uint8_t* Pixels() { return m_Pixels.get(); }
    const std::uint8_t* Pixels() const { return m_Pixels.get(); }

    // Read by the views through the document; palette bytes beyond the file's are zero.
    DibHeader Header;
    ImageGeoref Georef;
    std::string Path;  // empty: none
    int MapType = kMapNone;
    const std::unique_ptr<std::uint8_t[]>& PixelBlock() const { return m_Pixels; }
    const std::size_t& Size() const { return m_Size; }
    const std::size_t& Stride() const { return m_Stride; }

private:
    CMemoryCounters& m_Memory;
    BitmapFileHeader m_FileHeader;
    std::unique_ptr<std::uint8_t[]> m_Pixels;
    std::size_t m_Size = 0;
    std::size_t m_Stride = 0;
};
