// Builders of data files for the data file tool's tests and fuzz seeds:
// little-endian header fields, a data file with a header of positions and
// sizes in front of its elements, and a DFile of elements with markers.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

using DfileBytes = std::vector<uint8_t>;

inline const std::string dfileFixtureMarker = "\r\n******xEnDx******\r\n";

inline void dfileFixtureLe(DfileBytes& out, uint64_t v, int width)
{
    for (int i = 0; i < width; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

inline DfileBytes dfileFixtureText(const std::string& s)
{
    return {s.begin(), s.end()};
}

// htype 4440: a 4-byte count, records of a 4-byte position and size, then
// the elements back to back.
inline DfileBytes dfileFixtureData(const std::vector<std::string>& elements)
{
    DfileBytes out;
    dfileFixtureLe(out, elements.size(), 4);
    uint64_t pos = 4 + 8 * elements.size();
    for (const std::string& e : elements) {
        dfileFixtureLe(out, pos, 4);
        dfileFixtureLe(out, e.size(), 4);
        pos += e.size();
    }
    for (const std::string& e : elements)
        out.insert(out.end(), e.begin(), e.end());
    return out;
}

// Each element followed by the marker.
inline std::string dfileFixtureDFile(const std::vector<std::string>& elements,
                                     const std::string& marker = dfileFixtureMarker)
{
    std::string out;
    for (const std::string& e : elements)
        out += e + marker;
    return out;
}
