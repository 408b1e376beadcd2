#include "sampleimg.h"

#include "le.h"

namespace {

constexpr uint32_t imgVersion = 6;
constexpr uint32_t imgDirEntrySize = 16;
constexpr uint32_t imgDirListPos = 16;
constexpr uint32_t imgMaxDirs = 127;
constexpr uint16_t imgUnused = 0xFFFF;

uint32_t sectorsOf(size_t bytes)
{
    return static_cast<uint32_t>((bytes + sampleSector - 1) / sampleSector);
}

}  // namespace

std::optional<std::vector<uint8_t>> sampleImgBuild(const std::vector<SampleImgDir>& dirs,
                                                   uint32_t headerWord)
{
    const size_t n = dirs.size() + 1;  // with the closing type 4 entry
    if (dirs.empty() || n > imgMaxDirs)
        return std::nullopt;
    const uint32_t headerSectors = static_cast<uint32_t>(1 + dirs.size());
    std::vector<uint8_t> out(size_t{headerSectors} * sampleSector, 0);
    std::span<uint8_t> head(out);

    bool ok = lePut32(head, 0, 0x20375A4B);  // "KZ7 "
    ok = ok && lePut32(head, 4, imgVersion);
    ok = ok && lePut32(head, 8, static_cast<uint32_t>(n));
    ok = ok && lePut32(head, 12, headerWord);

    uint32_t next = headerSectors;  // the data start right after the header area
    std::vector<uint8_t> data;
    for (size_t i = 0; i < dirs.size(); ++i) {
        const SampleImgDir& d = dirs[i];
        const uint32_t tableSector = static_cast<uint32_t>(1 + i);
        const size_t table = size_t{tableSector} * sampleSector;
        const size_t files = d.files.size();
        const size_t entry = imgDirListPos + imgDirEntrySize * i;
        const size_t recordSize = d.type == 2 ? 8 : 2;
        if ((d.type != 2 && d.type != 3) || files < 2 || (files + 1) * recordSize > sampleSector)
            return std::nullopt;
        ok = ok && lePut32(head, entry, d.type);
        ok = ok && lePut32(head, entry + 4, static_cast<uint32_t>(files));
        ok = ok && lePut32(head, entry + 8, tableSector);
        ok = ok && lePut32(head, entry + 12, next);
        const uint32_t base = next;
        for (size_t j = 0; j < files; ++j) {
            const SampleImgFile& f = d.files[j];
            if (d.type == 2) {
                ok = ok && lePut16(head, table + 8 * j, f.id);
                ok = ok && lePut16(head, table + 8 * j + 2, f.flags);
                ok = ok && lePut32(head, table + 8 * j + 4, next);
            } else if (f.unused) {
                if (j == 0)
                    return std::nullopt;
                ok = ok && lePut16(head, table + 2 * j, imgUnused);
                continue;
            } else {
                if (next - base >= imgUnused)
                    return std::nullopt;
                ok = ok && lePut16(head, table + 2 * j, static_cast<uint16_t>(next - base));
            }
            data.insert(data.end(), f.data.begin(), f.data.end());
            data.resize(size_t{sectorsOf(data.size())} * sampleSector, 0);
            next = headerSectors + sectorsOf(data.size());
        }
        if (d.type == 2) {
            ok = ok && lePut32(head, table + 8 * files, 0xFFFFFFFF);
            ok = ok && lePut32(head, table + 8 * files + 4, next);
        } else {
            if (next - base >= imgUnused)
                return std::nullopt;
            ok = ok && lePut16(head, table + 2 * files, static_cast<uint16_t>(next - base));
        }
    }
    const size_t last = imgDirListPos + imgDirEntrySize * dirs.size();
    ok = ok && lePut32(head, last, 4);
    ok = ok && lePut32(head, last + 8, headerSectors);
    if (!ok)
        return std::nullopt;
    out.insert(out.end(), data.begin(), data.end());
    return out;
}
