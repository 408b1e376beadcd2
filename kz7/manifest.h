// The project manifest WORK/kz7-project.json: where each unpacked file came
// from and its FNV-1a 64 hash as unpacked, so that later runs know what the
// translator changed. Written by a small writer of our own and read back by
// a strict reader that accepts only the JSON subset the writer produces
// (objects, arrays, strings with the escapes below, unsigned integers).
//
//   { "tool": "kz7", "version": "1",
//     "game": "/abs/GAME", "img": { "size": N, "hash": "fnv1a64:..." },
//     "files": [ { "path": "files/01/01_0000/06/00_00_0100.txt",
//                  "kind": "text", "from": "...", "size": N, "hash": "..." }, ... ] }
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr const char* manifestName = "kz7-project.json";
inline constexpr const char* manifestVersion = "1";

struct ManifestFile {
    std::string path;  // relative to WORK, '/' separated
    std::string kind;  // text, script, dialog, picture, info, tim, db, table, file
    std::string from;  // where it came from
    uint64_t size = 0;
    std::string hash;  // "fnv1a64:" and 16 hex digits
};

struct Manifest {
    std::string version = manifestVersion;
    std::string game;  // absolute path of GAME
    uint64_t imgSize = 0;
    std::string imgHash;
    std::vector<ManifestFile> files;
};

// FNV-1a 64 of a file, read in chunks, as "fnv1a64:%016x"; nullopt when the
// file can't be read whole.
std::optional<std::string> manifestHashFile(const std::string& path);

// `s` as a JSON string: quotes, backslash escapes and \u00XX for control bytes.
std::string manifestQuote(const std::string& s);

// The manifest as JSON text.
std::string manifestToJson(const Manifest& m);

// Parses what manifestToJson wrote; nullopt and a reason in `error` otherwise.
std::optional<Manifest> manifestFromJson(const std::string& text, std::string& error);

// The entry of `path`, or null.
const ManifestFile* manifestFind(const Manifest& m, const std::string& path);
