#include "sampledata.h"

#include "le.h"
#include "sampletext.h"

std::vector<std::string> sampleMessageTexts()
{
    return {
        "New game[e]",
        "Continue[e]",
        "Options[e]",
        "[NAME00] found [COL02]a silver key[COL00].[e]",
    };
}

std::optional<std::vector<uint8_t>> sampleMessagesBuild()
{
    const std::vector<std::string> texts = sampleMessageTexts();
    std::vector<std::vector<uint8_t>> pieces;
    for (const std::string& text : texts) {
        auto bytes = sampleEncode(text);
        if (!bytes)
            return std::nullopt;
        pieces.push_back(std::move(*bytes));
    }
    std::vector<uint8_t> out;
    leAppend32(out, static_cast<uint32_t>(pieces.size()));
    auto pos = static_cast<uint32_t>(4 + 8 * pieces.size());
    for (const auto& p : pieces) {
        leAppend32(out, pos);
        leAppend32(out, static_cast<uint32_t>(p.size()));
        pos += static_cast<uint32_t>(p.size());
    }
    for (const auto& p : pieces)
        out.insert(out.end(), p.begin(), p.end());
    return out;
}
