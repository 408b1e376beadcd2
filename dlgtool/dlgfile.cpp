#include "dlgfile.h"

#include "fileutils.h"
#include "le.h"
#include "messages.h"
#include "platform.h"

#include <cstdio>

DlgHeader dlgReadHeader(std::span<const uint8_t> file)
{
    DlgHeader h;
    h.count = leGet32(file, 0).value_or(0);
    h.firstPtr = dlgPointer(file, 0).value_or(0);
    // Compared in 64 bits: a huge N must not wrap into a match.
    const uint64_t first = h.firstPtr;
    if (first == 4 * uint64_t{h.count})
        h.kind = DlgKind::battle;
    else if (first == 8 * uint64_t{h.count})
        h.kind = DlgKind::normal;
    else
        h.kind = DlgKind::unexpected;
    return h;
}

void dlgWarnHeader(const DlgHeader& h)
{
    if (h.kind != DlgKind::unexpected)
        return;
    std::fprintf(stderr, dlgMsgUnexpectedHeader, h.firstPtr + 4u, 8u * h.count + 4u, h.count);
}

std::optional<uint16_t> dlgPointer(std::span<const uint8_t> file, int64_t word)
{
    if (word < 0)
        return std::nullopt;
    return leGet16(file, dlgCountSize + 2 * static_cast<uint64_t>(word));
}

std::optional<uint16_t> dlgFlags(std::span<const uint8_t> file, int64_t word)
{
    if (word < 0)
        return std::nullopt;
    return leGet16(file, dlgCountSize + 2 * static_cast<uint64_t>(word) + 2);
}

std::string dlgSeparator(uint16_t flags, bool battle)
{
    std::string s = dlgSeparatorTemplate;
    char hex[8];
    std::snprintf(hex, sizeof hex, "%04X", unsigned{flags});
    s.replace(dlgSeparatorFlagsAt, dlgSeparatorFlagsSize, hex);
    if (battle)
        s[dlgSeparatorBattleAt] = 'b';
    return s;
}

std::string dlgSeparatorStart(bool battle)
{
    std::string s(dlgSeparatorTemplate, dlgSeparatorStartSize);
    if (battle)
        s[dlgSeparatorBattleAt] = 'b';
    return s;
}

int64_t dlgWriteFile(const std::string& path, std::span<const uint8_t> bytes)
{
    FileOutput out;
    if (!fileOutputBegin(out, path))
        return -1;
    const uint32_t put = fileSave(out.path, bytes, 0, "wb");
    if (put != bytes.size())
        return put;  // the record drops its temporary file
    return fileOutputCommit(out) ? put : -1;
}

bool dlgSaveFile(const std::string& path, std::span<const uint8_t> bytes)
{
    const int64_t put = dlgWriteFile(path, bytes);
    if (put == static_cast<int64_t>(bytes.size()))
        return true;
    if (put >= 0)
        std::fprintf(stderr, dlgMsgWrite, path.c_str(), platformLastError().c_str());
    return false;
}
