#include "check.h"

#include "dlgfile.h"
#include "extract.h"
#include "fileutils.h"
#include "kz7messages.h"
#include "kz7tables.h"
#include "manifest.h"
#include "platform.h"
#include "project.h"
#include "recompute.h"
#include "tbl.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

const char* verdictName(CheckVerdict v)
{
    switch (v) {
    case CheckVerdict::fine: return "fine";
    case CheckVerdict::crowded: return "crowded";
    case CheckVerdict::overflow: return "overflow";
    case CheckVerdict::unknown: return "unknown";
    }
    return "unknown";
}

// One text part of a text file: its bytes and where it starts.
struct Part {
    size_t start = 0;
    size_t end = 0;
};

struct Finding {
    size_t line = 0;
    size_t column = 0;
    std::string what;  // human-readable, without position
    std::string kind;  // for --json
};

struct Window {
    int dialog = 0;
    size_t line = 0;
    int64_t width = -1;
    int64_t lines = -1;
    CheckVerdict verdict = CheckVerdict::unknown;
    int64_t oldWidth = -1;
    int64_t oldLines = -1;
    CheckVerdict oldVerdict = CheckVerdict::unknown;
};

// Line and column (from 1, the column in characters) of byte `at`.
std::pair<size_t, size_t> position(const std::vector<uint8_t>& text, size_t at)
{
    size_t line = 1, column = 1;
    for (size_t i = 0; i < at && i < text.size(); ++i) {
        if (text[i] == '\n') {
            ++line;
            column = 1;
        } else if ((text[i] & 0xC0) != 0x80 && text[i] != '\r') {
            ++column;
        }
    }
    return {line, column};
}

bool isSeparatorAt(const std::vector<uint8_t>& t, size_t at)
{
    if (at > t.size() || t.size() - at < dlgSeparatorSize)
        return false;
    const char* tmpl = dlgSeparatorTemplate;
    for (size_t i = 0; i < dlgSeparatorSize; ++i) {
        const uint8_t c = t[at + i];
        if (i >= dlgSeparatorFlagsAt && i < dlgSeparatorFlagsAt + dlgSeparatorFlagsSize) {
            if (!std::isxdigit(c))
                return false;
        } else if (i == dlgSeparatorBattleAt) {
            if (c != '*' && c != 'b')
                return false;
        } else if (c != static_cast<uint8_t>(tmpl[i])) {
            return false;
        }
    }
    return true;
}

// Splits a text file at its separators. A line holding "EnD" or a run of
// stars that is not a whole separator is reported as damaged.
std::vector<Part> splitParts(const std::vector<uint8_t>& t, std::vector<Finding>& findings,
                             std::vector<size_t>& damaged)
{
    std::vector<Part> parts;
    size_t partStart = 0;
    size_t lineStart = 0;
    for (size_t i = 0; i <= t.size(); ++i) {
        if (i < t.size() && t[i] != '\n')
            continue;
        // A separator begins with the CR LF before its line.
        const size_t sepAt = lineStart >= 2 ? lineStart - 2 : lineStart;
        const std::string line(t.begin() + static_cast<std::ptrdiff_t>(lineStart),
                               t.begin() + static_cast<std::ptrdiff_t>(i));
        if (lineStart >= 2 && isSeparatorAt(t, sepAt) && sepAt >= partStart) {
            parts.push_back({partStart, sepAt});
            partStart = sepAt + dlgSeparatorSize;
            i = partStart - 1;
            lineStart = partStart;
            continue;
        }
        if (line.find("EnD") != std::string::npos || line.find("**********") != std::string::npos) {
            const auto [l, c] = position(t, lineStart);
            damaged.push_back(lineStart);
            findings.push_back({l, c, "damaged separator; restore the line \"**EnD**[XXXX]\" and its 42 stars as unpacked",
                                "damaged-separator"});
        }
        lineStart = i + 1;
    }
    return parts;
}

// Reports the characters and codes of a text part that no table entry
// converts. Entries are matched as the converter does: plain text, or a
// fixed start, a copy char run (raw bytes or hex digits) and a fixed end.
void findUnknown(const std::vector<uint8_t>& t, const Part& part, std::vector<Finding>& findings)
{
    const TblTable& table = tblCurrent();
    if (!table.data)
        return;
    const auto& entries = table.data->reverse.entries;
    size_t i = part.start;
    while (i < part.end) {
        size_t best = 0;
        for (const TblEntry& e : entries) {
            const auto key = e.key;
            if (e.keyCopy < 0) {
                if (key.size() > best && key.size() <= part.end - i &&
                    std::equal(key.begin(), key.end(), t.begin() + static_cast<std::ptrdiff_t>(i)))
                    best = key.size();
                continue;
            }
            const size_t pre = static_cast<size_t>(e.keyCopy);
            if (pre + tblCopyCharLen > key.size() || pre > part.end - i ||
                !std::equal(key.begin(), key.begin() + static_cast<std::ptrdiff_t>(pre),
                            t.begin() + static_cast<std::ptrdiff_t>(i)))
                continue;
            const uint8_t kind = key[pre];
            const size_t run = key[pre + 1] * (kind == tblKindHex ? 2u : 1u);
            size_t at = i + pre;
            if (run > part.end - at)
                continue;
            if (kind == tblKindHex &&
                !std::all_of(t.begin() + static_cast<std::ptrdiff_t>(at),
                             t.begin() + static_cast<std::ptrdiff_t>(at + run), [](uint8_t c) { return std::isxdigit(c); }))
                continue;
            at += run;
            const auto tail = key.subspan(pre + tblCopyCharLen);
            if (tail.size() > part.end - at ||
                !std::equal(tail.begin(), tail.end(), t.begin() + static_cast<std::ptrdiff_t>(at)))
                continue;
            best = std::max(best, at + tail.size() - i);
        }
        if (best > 0) {
            i += best;
            continue;
        }
        // The unknown character (a whole UTF-8 sequence) or code "[...]".
        size_t len = 1;
        std::string kind = "unknown-character";
        if (t[i] == '[') {
            const auto close = std::find(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(part.end), ']');
            if (close != t.begin() + static_cast<std::ptrdiff_t>(part.end) && close - t.begin() - static_cast<std::ptrdiff_t>(i) < 32) {
                len = static_cast<size_t>(close - t.begin()) - i + 1;
                kind = "unknown-code";
            }
        } else {
            while (i + len < part.end && (t[i + len] & 0xC0) == 0x80)
                ++len;
        }
        std::string text(t.begin() + static_cast<std::ptrdiff_t>(i), t.begin() + static_cast<std::ptrdiff_t>(i + len));
        if (len == 1 && t[i] < 0x20) {
            char hex[8];
            std::snprintf(hex, sizeof hex, "\\x%02X", t[i]);
            text = hex;
        }
        const auto [l, c] = position(t, i);
        findings.push_back({l, c,
                            (kind == "unknown-code" ? "unknown control code \"" : "unknown character \"") + text +
                                "\"; the table kz7.tbs can't convert it: write it another way or add it to the table",
                            kind});
        i += len;
    }
}

struct Measured {
    int64_t width = -1;
    int64_t lines = -1;
    bool hasEnd = false;
};

// Game bytes of a text part through the table, measured with the lengths table.
Measured measurePart(Kz7Tables& tables, const std::vector<uint8_t>& t, const Part& part)
{
    Measured out;
    std::vector<uint8_t> bytes;
    if (tblConvertReverse(std::span(t).subspan(part.start, part.end - part.start), bytes) < 0)
        return out;
    for (size_t pos = 0; pos < bytes.size();) {
        const auto match = tblLengthsMatch(tables.lengths, bytes, pos);
        if (match && match->entry->attr == dlgAttrEnd)
            out.hasEnd = true;
        pos += match && match->length > 0 ? match->length : 1;
    }
    const DlgMeasure m = dlgMeasure(tables.lengths, bytes, &tables.varlen);
    if (!m.abandoned) {
        out.width = m.maxWidth;
        out.lines = m.maxLines;
    }
    return out;
}

}  // namespace

CheckVerdict checkVerdict(int64_t width, int64_t lines, const CheckOptions& o)
{
    if (width < 0 || lines < 0)
        return CheckVerdict::unknown;
    const int64_t widthLimit = std::min<int64_t>(o.screenWidth, dlgMaxWindowWidth);
    const int64_t lineLimit = std::min<int64_t>(o.maxLines, dlgMaxWindowHeight / 16);
    if (width > widthLimit || lines > lineLimit)
        return CheckVerdict::overflow;
    if (width * 100 >= widthLimit * checkCrowdedPercent || lines * 100 >= lineLimit * checkCrowdedPercent)
        return CheckVerdict::crowded;
    return CheckVerdict::fine;
}

int kz7Check(const std::string& work, const CheckOptions& o)
{
    const std::string workDir = kz7Dir(work);
    const auto bytes = fileLoadFile(workDir + manifestName);
    if (!bytes)
        return 1;
    std::string error;
    const auto m = manifestFromJson(std::string(bytes->begin(), bytes->end()), error);
    if (!m) {
        std::fprintf(stderr, kz7MsgNoProject, workDir.c_str(), error.c_str());
        return 1;
    }
    Kz7Tables tables;
    if (!kz7TablesLoad(tables, workDir + "kz7.tbs"))
        return 1;
    const int64_t widthLimit = std::min<int64_t>(o.screenWidth, dlgMaxWindowWidth);
    const int64_t lineLimit = std::min<int64_t>(o.maxLines, dlgMaxWindowHeight / 16);
    size_t texts = 0, windows = 0, problems = 0;
    size_t counts[4] = {};
    std::string json = "{\"limits\": {\"width\": " + std::to_string(widthLimit) + ", \"lines\": " +
                       std::to_string(lineLimit) + "},\n \"files\": [";
    for (const ManifestFile& f : m->files) {
        if (f.kind != "text")
            continue;
        const std::string path = workDir + f.path;
        auto text = fileLoadFile(path);
        if (!text) {
            ++problems;
            continue;
        }
        ++texts;
        std::vector<Finding> findings;
        std::vector<size_t> damaged;
        const std::vector<Part> parts = splitParts(*text, findings, damaged);
        // The original texts, from the dialog file as unpacked.
        std::vector<uint8_t> original;
        std::vector<Part> oldParts;
        const std::string dlg = f.path.substr(0, f.path.size() - 4) + ".dlg";
        const ManifestFile* dlgEntry = manifestFind(*m, dlg);
        if (dlgEntry && manifestHashFile(workDir + dlg) == dlgEntry->hash) {
            if (auto dlgBytes = fileLoadFile(workDir + dlg)) {
                DlgExtractOutput out;
                if (dlgExtractMem(tables.settings, *dlgBytes, workDir + dlg, true, out) == 1) {
                    original = out.text;
                    std::vector<Finding> ignored;
                    std::vector<size_t> ignoredAt;
                    oldParts = splitParts(original, ignored, ignoredAt);
                }
            }
        }
        if (!oldParts.empty() && oldParts.size() != parts.size()) {
            findings.push_back({1, 1, std::to_string(parts.size()) + " dialogs where the dialog file has " +
                                          std::to_string(oldParts.size()) + "; keep one text per separator",
                                "dialog-count"});
        }
        std::vector<Window> wins;
        for (size_t k = 0; k < parts.size(); ++k) {
            // A part that holds a damaged separator is two texts run together:
            // only the separator is reported.
            if (std::any_of(damaged.begin(), damaged.end(),
                            [&](size_t at) { return at >= parts[k].start && at < parts[k].end; }))
                continue;
            findUnknown(*text, parts[k], findings);
            const Measured now = measurePart(tables, *text, parts[k]);
            const auto [line, col] = position(*text, parts[k].start);
            if (!now.hasEnd)
                findings.push_back({line, col, "dialog " + std::to_string(k + 1) +
                                                   " has no end code; end it with [e] as unpacked",
                                    "missing-end"});
            Window w;
            w.dialog = static_cast<int>(k + 1);
            w.line = line;
            w.width = now.width;
            w.lines = now.lines;
            w.verdict = checkVerdict(now.width, now.lines, o);
            if (k < oldParts.size()) {
                const Measured old = measurePart(tables, original, oldParts[k]);
                w.oldWidth = old.width;
                w.oldLines = old.lines;
                w.oldVerdict = checkVerdict(old.width, old.lines, o);
            }
            ++counts[static_cast<int>(w.verdict)];
            wins.push_back(w);
        }
        std::sort(findings.begin(), findings.end(),
                  [](const Finding& a, const Finding& b) { return std::tie(a.line, a.column) < std::tie(b.line, b.column); });
        problems += findings.size();
        windows += wins.size();
        if (!o.json) {
            for (const Finding& fd : findings)
                std::printf("%s:%zu:%zu: %s\n", f.path.c_str(), fd.line, fd.column, fd.what.c_str());
            for (const Window& w : wins) {
                if (w.verdict == CheckVerdict::fine)
                    continue;
                std::printf("%s:%zu:1: dialog %d: %s, %lld pixels wide, %lld lines (limits %lld, %lld; original: %s, %lld pixels, %lld lines)\n",
                            f.path.c_str(), w.line, w.dialog, verdictName(w.verdict), static_cast<long long>(w.width),
                            static_cast<long long>(w.lines), static_cast<long long>(widthLimit),
                            static_cast<long long>(lineLimit), verdictName(w.oldVerdict),
                            static_cast<long long>(w.oldWidth), static_cast<long long>(w.oldLines));
            }
        } else {
            json += (texts > 1 ? ",\n  {" : "\n  {");
            json += "\"path\": " + manifestQuote(f.path) + ", \"findings\": [";
            for (size_t i = 0; i < findings.size(); ++i)
                json += std::string(i ? ", " : "") + "{\"line\": " + std::to_string(findings[i].line) +
                        ", \"column\": " + std::to_string(findings[i].column) + ", \"kind\": " +
                        manifestQuote(findings[i].kind) + ", \"message\": " + manifestQuote(findings[i].what) + "}";
            json += "], \"windows\": [";
            for (size_t i = 0; i < wins.size(); ++i) {
                const Window& w = wins[i];
                json += std::string(i ? ", " : "") + "{\"dialog\": " + std::to_string(w.dialog) +
                        ", \"line\": " + std::to_string(w.line) + ", \"width\": " + std::to_string(w.width) +
                        ", \"lines\": " + std::to_string(w.lines) + ", \"verdict\": \"" + verdictName(w.verdict) +
                        "\", \"original\": {\"width\": " + std::to_string(w.oldWidth) + ", \"lines\": " +
                        std::to_string(w.oldLines) + ", \"verdict\": \"" + verdictName(w.oldVerdict) + "\"}}";
            }
            json += "]}";
        }
    }
    const bool wrong = problems > 0 || counts[static_cast<int>(CheckVerdict::overflow)] > 0 ||
                       counts[static_cast<int>(CheckVerdict::unknown)] > 0;
    if (o.json) {
        json += "\n ],\n \"ok\": " + std::string(wrong ? "false" : "true") + "}\n";
        std::fputs(json.c_str(), stdout);
    } else {
        std::printf("checked %zu dialog texts, %zu windows: %zu overflow, %zu crowded, %zu fine; %zu other problems\n",
                    texts, windows, counts[2], counts[1], counts[0], problems);
    }
    return wrong ? 1 : 0;
}
