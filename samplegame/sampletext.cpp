#include "sampletext.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace {

// A proportional font: narrow letters are 4 or 6 pixels, wide ones 10 or 12.
constexpr std::array<SampleGlyph, 70> glyphs = {{
    {' ', 0x80, 6},   {'A', 0x81, 10},  {'B', 0x82, 10},  {'C', 0x83, 10},  {'D', 0x84, 10},
    {'E', 0x85, 9},   {'F', 0x86, 9},   {'G', 0x87, 10},  {'H', 0x88, 10},  {'I', 0x89, 4},
    {'J', 0x8A, 8},   {'K', 0x8B, 10},  {'L', 0x8C, 9},   {'M', 0x8D, 12},  {'N', 0x8E, 10},
    {'O', 0x8F, 10},  {'P', 0x90, 10},  {'Q', 0x91, 10},  {'R', 0x92, 10},  {'S', 0x93, 9},
    {'T', 0x94, 10},  {'U', 0x95, 10},  {'V', 0x96, 10},  {'W', 0x97, 12},  {'X', 0x98, 10},
    {'Y', 0x99, 10},  {'Z', 0x9A, 9},   {'a', 0xA1, 8},   {'b', 0xA2, 8},   {'c', 0xA3, 8},
    {'d', 0xA4, 8},   {'e', 0xA5, 8},   {'f', 0xA6, 6},   {'g', 0xA7, 8},   {'h', 0xA8, 8},
    {'i', 0xA9, 4},   {'j', 0xAA, 6},   {'k', 0xAB, 8},   {'l', 0xAC, 4},   {'m', 0xAD, 10},
    {'n', 0xAE, 8},   {'o', 0xAF, 8},   {'p', 0xB0, 8},   {'q', 0xB1, 8},   {'r', 0xB2, 6},
    {'s', 0xB3, 8},   {'t', 0xB4, 6},   {'u', 0xB5, 8},   {'v', 0xB6, 8},   {'w', 0xB7, 10},
    {'x', 0xB8, 8},   {'y', 0xB9, 8},   {'z', 0xBA, 8},   {'0', 0xC0, 8},   {'1', 0xC1, 8},
    {'2', 0xC2, 8},   {'3', 0xC3, 8},   {'4', 0xC4, 8},   {'5', 0xC5, 8},   {'6', 0xC6, 8},
    {'7', 0xC7, 8},   {'8', 0xC8, 8},   {'9', 0xC9, 8},   {'.', 0xCA, 4},   {',', 0xCB, 4},
    {'!', 0xCC, 4},   {'?', 0xCD, 8},   {'\'', 0xCE, 4},  {'-', 0xCF, 6},   {':', 0xD0, 4},
}};

constexpr const char* crlf = "\r\n";

std::string hexKey(std::initializer_list<uint8_t> bytes)
{
    std::string key;
    char buf[8];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "\\x%02X", unsigned{b});
        key += buf;
    }
    return key;
}

const SampleGlyph* glyphOfByte(uint8_t b)
{
    for (const auto& g : glyphs)
        if (g.byte == b)
            return &g;
    return nullptr;
}

const SampleGlyph* glyphOfChar(char c)
{
    for (const auto& g : glyphs)
        if (g.ch == c)
            return &g;
    return nullptr;
}

int hexDigit(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    return -1;
}

// "[TAGhh]" at the start of `text`: the parameter byte, or nullopt.
std::optional<uint8_t> taggedByte(std::string_view text, std::string_view tag)
{
    if (text.size() < tag.size() + 3 || text.substr(0, tag.size()) != tag ||
        text[tag.size() + 2] != ']')
        return std::nullopt;
    const int hi = hexDigit(text[tag.size()]);
    const int lo = hexDigit(text[tag.size() + 1]);
    if (hi < 0 || lo < 0)
        return std::nullopt;
    return static_cast<uint8_t>(hi * 16 + lo);
}

// The F9 0D line data as the game's line-width opcode holds it: a group per
// line with names, opened by a 2-byte header that is filled in when the line
// ends.
struct LineData {
    std::vector<uint8_t> data;
    bool headerReserved = false;
    size_t headerPos = 0;
    int acc = -1;  // widths of the items of the open group, -1 for none
    int max = -1;

    void reserveHeader()
    {
        if (headerReserved)
            return;
        headerPos = data.size();
        data.push_back(0);
        data.push_back(0);
        headerReserved = true;
    }

    void addItem(std::span<const uint8_t> item, int width)
    {
        if (!item.empty() && item[0] == sampleCodePrefix)
            item = item.subspan(1);
        reserveHeader();
        if (item.size() == 3 && item[0] == sampleCodeVariable && (item[1] == 3 || item[1] == 0)) {
            data.push_back(item[0]);
            data.push_back(static_cast<uint8_t>(item[1] * 16 + (item[2] & 0x0F)));
        } else {
            data.insert(data.end(), item.begin(), item.end());
        }
        if (acc < 0 || width == 0)
            acc = width;
        else if (acc > 0)
            acc += width;
    }

    void closeGroup(int x, int line)
    {
        reserveHeader();
        const unsigned header = (static_cast<unsigned>(x) & 0xFFF) | (unsigned(line) & 0xF) << 12;
        data[headerPos] = static_cast<uint8_t>(header);
        data[headerPos + 1] = static_cast<uint8_t>(header >> 8);
        data.push_back(0xFF);
        headerReserved = false;
        if (acc > 0) {
            max = std::max(max, acc + x);
            acc = -1;
        } else if (acc == 0) {
            max = 0;
        } else {
            max = std::max(max, x);
        }
    }
};

}  // namespace

std::span<const SampleGlyph> sampleGlyphs()
{
    return glyphs;
}

std::string sampleTableText()
{
    std::string t;
    for (const auto& g : glyphs)
        t += hexKey({g.byte}) + "=" + g.ch + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeNewLine}) + "=[n]" + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeNewPage}) + "=[p]" + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeEnd}) + "=[e]" + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeColour}) + "\\c01=[COL\\h01]" + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeVariable, sampleVariableName}) +
         "\\c01=[NAME\\h01]" + crlf;
    return t;
}

std::string sampleLengthsText()
{
    std::string t;
    for (const auto& g : glyphs)
        t += hexKey({g.byte}) + "=" + std::to_string(g.width) + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeNewLine}) + "=\\n" + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeNewPage}) + "=\\p" + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeEnd}) + "=\\e" + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeColour}) + "\\c01=0" + crlf;
    t += hexKey({sampleCodePrefix, sampleCodeVariable, sampleVariableName}) + "\\c01=\\kz7vl," +
         std::to_string(sampleNameWidth) + crlf;
    return t;
}

std::optional<std::vector<uint8_t>> sampleEncode(std::string_view text)
{
    std::vector<uint8_t> out;
    size_t pos = 0;
    while (pos < text.size()) {
        const std::string_view rest = text.substr(pos);
        if (auto v = taggedByte(rest, "[NAME")) {
            out.insert(out.end(), {sampleCodePrefix, sampleCodeVariable, sampleVariableName, *v});
            pos += 8;
        } else if (auto c = taggedByte(rest, "[COL")) {
            out.insert(out.end(), {sampleCodePrefix, sampleCodeColour, *c});
            pos += 7;
        } else if (rest.starts_with("[n]")) {
            out.insert(out.end(), {sampleCodePrefix, sampleCodeNewLine});
            pos += 3;
        } else if (rest.starts_with("[p]")) {
            out.insert(out.end(), {sampleCodePrefix, sampleCodeNewPage});
            pos += 3;
        } else if (rest.starts_with("[e]")) {
            out.insert(out.end(), {sampleCodePrefix, sampleCodeEnd});
            pos += 3;
        } else if (const SampleGlyph* g = glyphOfChar(rest[0])) {
            out.push_back(g->byte);
            pos += 1;
        } else {
            return std::nullopt;
        }
    }
    return out;
}

SampleMeasure sampleMeasure(std::span<const uint8_t> text)
{
    SampleMeasure m;
    LineData line;
    int x = 0, y = sampleLineHeight, lines = 1;
    if (text.empty())
        y = lines = 0;
    int pending = 0;  // names on the current line
    // The maxima are taken before every code, so a line counts as soon as a
    // code follows it.
    auto update = [&] {
        m.maxWidth = std::max(m.maxWidth, x);
        m.maxHeight = std::max(m.maxHeight, y);
        m.maxLines = std::max(m.maxLines, lines);
    };
    size_t pos = 0;
    while (pos < text.size()) {
        const size_t left = text.size() - pos;
        if (text[pos] == sampleCodePrefix && left >= 2) {
            const uint8_t code = text[pos + 1];
            if (code == sampleCodeVariable && left >= 4 && text[pos + 2] == sampleVariableName) {
                update();
                ++pending;
                line.addItem(text.subspan(pos, 4), sampleNameWidth);
                pos += 4;
                continue;
            }
            if (code == sampleCodeColour && left >= 3) {
                pos += 3;  // a colour change takes no room
                continue;
            }
            if (code == sampleCodeNewLine || code == sampleCodeNewPage || code == sampleCodeEnd) {
                update();
                if (pending > 0 && code != sampleCodeNewPage) {
                    line.closeGroup(x, 0);
                    pending = 0;
                }
                if (code == sampleCodeEnd) {
                    pos = text.size();
                    break;
                }
                x = 0;
                if (code == sampleCodeNewLine) {
                    y += sampleLineHeight;
                    ++lines;
                } else {
                    y = sampleLineHeight;
                    lines = 1;
                }
                pos += 2;
                continue;
            }
        }
        if (const SampleGlyph* g = glyphOfByte(text[pos]))
            x += g->width;
        ++pos;
    }
    update();
    if (pending > 0)
        line.closeGroup(x, 0);
    if (!line.data.empty()) {
        line.data.push_back(0xFF);
        line.data.push_back(0xFF);
    }
    m.lineData = std::move(line.data);
    m.itemMax = line.max;
    return m;
}
