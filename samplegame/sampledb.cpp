#include "sampledb.h"

#include "le.h"

namespace {

constexpr uint8_t dbMagic = 0xDB;
constexpr uint32_t dbMaxDistance = 0xFFFFFF;

void padTo4(std::vector<uint8_t>& out)
{
    while (out.size() % 4 != 0)
        out.push_back(0);
}

}  // namespace

std::optional<std::vector<uint8_t>> sampleDbBuild(const std::vector<SampleDbChunk>& chunks,
                                                  uint32_t trailingWord)
{
    if (chunks.empty() || chunks.size() > 255)
        return std::nullopt;
    const size_t k = chunks.size();
    std::vector<uint8_t> out = {dbMagic, static_cast<uint8_t>(k), 0, 0};
    out.resize(4 + 4 * k, 0);

    for (size_t i = 0; i < k; ++i) {
        const SampleDbChunk& c = chunks[i];
        const size_t n = c.files.size();
        if (n > 255 || c.spacing.size() % 4 != 0)
            return std::nullopt;
        const size_t h = out.size();
        const size_t entryPos = 4 + 4 * i;
        if (h - entryPos > dbMaxDistance)
            return std::nullopt;
        const uint32_t entry = uint32_t{c.type} << 24 | static_cast<uint32_t>(h - entryPos);
        if (!lePut32(out, entryPos, entry))
            return std::nullopt;

        out.insert(out.end(), {c.type, static_cast<uint8_t>(n), 0, 0});
        for (const SampleDbFile& f : c.files)
            leAppend16(out, f.id);
        padTo4(out);
        const size_t p = out.size();  // pointer base
        out.resize(p + 4 * (n + 1), 0);
        out.insert(out.end(), c.spacing.begin(), c.spacing.end());
        for (size_t j = 0; j < n; ++j) {
            // File pointers count from their own position.
            if (!lePut32(out, p + 4 * j, static_cast<uint32_t>(out.size() - p - 4 * j)))
                return std::nullopt;
            out.insert(out.end(), c.files[j].data.begin(), c.files[j].data.end());
            padTo4(out);
        }
        // The end pointer counts from the pointer base.
        if (!lePut32(out, p + 4 * n, static_cast<uint32_t>(out.size() - p)))
            return std::nullopt;
    }
    if (trailingWord != 0)
        leAppend32(out, trailingWord);
    return out;
}
