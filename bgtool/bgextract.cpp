#include "bgextract.h"

#include "bgbackground.h"
#include "bgbmp.h"
#include "messages.h"

#include <cstdio>
#include <cstring>

namespace {

void fillRect(const PictureView& pic, uint32_t x, uint32_t y, uint32_t w, uint32_t h,
              const uint8_t* bgr)
{
    const uint32_t right = std::min<uint32_t>(pic.width, x + w);
    const uint32_t bottom = std::min<uint32_t>(pic.height, y + h);
    if (x >= right || y >= bottom)
        return;
    uint8_t* first = pic.pixels + (size_t{y} * pic.width + x) * 3;
    for (uint32_t c = 0; c < right - x; ++c)
        std::memcpy(first + 3 * c, bgr, 3);
    const size_t rowBytes = size_t{right - x} * 3;
    for (uint32_t row = y + 1; row < bottom; ++row)
        std::memcpy(pic.pixels + (size_t{row} * pic.width + x) * 3, first, rowBytes);
}

// The colour table of the palette at a VRAM offset, background colours pink.
// Tables are kept for the next tile with the same palette unless converting
// printed a warning, which must then be printed again for each tile.
struct ColorTableCache {
    size_t clut = SIZE_MAX;
    uint8_t table[256 * 3];

    const uint8_t* get(const PsxVram& vram, size_t at)
    {
        if (at == clut)
            return table;
        uint16_t colours[256];
        psxVramColors(vram, at, 256, colours);
        psxPaletteToRgb(colours, 256, table);
        bool warned = false;
        for (unsigned k = 0; k < 256; ++k) {
            if (psxColorIsBackground(colours[k]))
                std::memcpy(table + 3 * k, markerPink, 3);
            else if (!(colours[k] & 0x8000))
                warned = true;
        }
        clut = warned ? SIZE_MAX : at;
        return table;
    }
};

}  // namespace

std::string extractName(const std::string& prefix, unsigned i, unsigned type, unsigned tileId,
                        bool fourBit)
{
    const int n = std::snprintf(nullptr, 0, fourBit ? extractNameFormat4 : extractNameFormat,
                                prefix.c_str(), i, type, tileId, ".bmp");
    std::string name(static_cast<size_t>(n) + 1, '\0');
    std::snprintf(name.data(), name.size(), fourBit ? extractNameFormat4 : extractNameFormat,
                  prefix.c_str(), i, type, tileId, ".bmp");
    name.pop_back();
    return name;
}

void backgroundExtract(const std::string& infoFile, const std::string& timFiles,
                       const std::string& dir1)
{
    std::unique_ptr<Background> bg = backgroundOpen(infoFile, timFiles);
    if (!bg)
        return;
    const PictureView pic{bg->picture.data(), bg->pictureWidth, bg->pictureHeight};
    const size_t pictureBytes = size_t{pic.width} * pic.height * 3;
    ColorTableCache colours;
    for (size_t i = 0; i < tileSetCount(*bg); ++i) {
        const TileSet s = tileSetAt(*bg, i);
        fillRect(pic, 0, 0, pic.width, pic.height, markerRed);
        fillRect(pic, s.posX, s.posY, s.sizeX, s.sizeY, markerGreen);
        bool refused = false;
        size_t drawn = 0, fourBit = 0;
        for (size_t j = 0; j < s.count && !refused; ++j) {
            const TilePair p = tileSourceAt(*bg, s, j);
            const TileDest d = tileDestAt(*bg, s, j);
            if (p.stp() >= 2) {
                std::fprintf(stderr, p.stp() == 2 ? extractMsg16bit : extractMsgMode3,
                             bg->infoPath.c_str(), static_cast<unsigned>(i),
                             static_cast<unsigned>(j));
                refused = true;
                break;
            }
            const uint8_t* table = colours.get(bg->vram, psxVramClutAddress(p.scX(), p.scY()));
            const uint32_t x = static_cast<uint16_t>(s.posX + d.dX);
            const uint32_t y = static_cast<uint16_t>(s.posY + d.dY);
            if (p.stp() == 1) {
                tileToPicture8(bg->vram, p.source(), table, pic, x, y);
            } else {
                tileToPicture4(bg->vram, p.source(), table, pic, x, y);
                ++fourBit;
            }
            ++drawn;
        }
        if (refused || drawn == 0)
            continue;
        if (fourBit > 0 && fourBit != drawn)
            std::fprintf(stderr, extractMsgMixed, bg->infoPath.c_str());
        const std::string name = extractName(dir1, static_cast<unsigned>(i), s.type, s.tileId,
                                             fourBit > 0);
        bmpSave(name, 24, pic.width, pic.height, {bg->picture.data(), pictureBytes}, {});
    }
    backgroundClose(std::move(bg));
}
