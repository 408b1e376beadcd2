#include "create.h"

#include "fileutils.h"
#include "le.h"
#include "memutils.h"
#include "messages.h"
#include "recompute.h"
#include "tbl.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>

namespace {

MemBlock asBlock(const std::string& s)
{
    return {reinterpret_cast<const uint8_t*>(s.data()), s.size()};
}

// Counts separators the way the format always has: after a hit the search
// resumes 55 bytes on, so it may see separators that reading (61 bytes on)
// steps over; reading guards against that.
size_t countParts(MemBlock data, const std::string& start)
{
    size_t n = 0;
    size_t pos = 0;
    while (pos < data.size()) {
        const uint8_t* hit = memmem(data.subspan(pos), asBlock(start));
        if (!hit)
            break;
        ++n;
        pos = static_cast<size_t>(hit - data.data()) + dlgSeparatorCountStep;
    }
    return n;
}

struct PartReader {
    MemBlock data;
    const std::string& name;
    std::string start;  // separator start in the file's form
    size_t pos = 0;
    size_t read = 0;  // parts read so far
};

struct Records {
    std::vector<size_t> starts;  // offsets in the block
    std::vector<uint16_t> flags;
    std::vector<bool> filled;
};

// Reads the next part of `r` as record `i`, converting it into `block`.
// False when the file has no further separator (or conversion failed,
// flagged in `failed`).
bool readPart(PartReader& r, size_t i, size_t total, std::vector<uint8_t>& block, Records& recs,
              bool& failed)
{
    if (r.pos >= r.data.size())
        return false;
    const uint8_t* hitPtr = memmem(r.data.subspan(r.pos), asBlock(r.start));
    if (!hitPtr)
        return false;
    const size_t hit = static_cast<size_t>(hitPtr - r.data.data());
    recs.starts[i] = block.size();
    recs.filled[i] = true;
    if (hit > r.pos && tblConvertReverse(r.data.subspan(r.pos, hit - r.pos), block) < 0) {
        failed = true;
        return false;
    }

    // The flags are read as strtol reads the 4 characters as a string.
    char flagText[dlgSeparatorFlagsSize + 1] = {};
    const size_t flagsAt = hit + dlgSeparatorFlagsAt;
    if (flagsAt < r.data.size())
        std::memcpy(flagText, r.data.data() + flagsAt,
                    std::min(dlgSeparatorFlagsSize, r.data.size() - flagsAt));
    char* end = nullptr;
    const long value = std::strtol(flagText, &end, 16);
    if (*end != '\0')
        std::fprintf(stderr, dlgMsgBadFlags, r.name.c_str(), flagText);
    recs.flags[i] = static_cast<uint16_t>(static_cast<unsigned long>(value));

    const size_t tailAt = hit + dlgSeparatorTailAt;
    const bool tailOk =
        leFits(r.data.size(), tailAt, dlgSeparatorTailSize) &&
        std::memcmp(r.data.data() + tailAt, dlgSeparatorTemplate + dlgSeparatorTailAt,
                    dlgSeparatorTailSize) == 0;
    if (!tailOk) {
        std::fprintf(stderr, dlgMsgBadSeparatorEnd, r.name.c_str());
        if (i + 1 == total)
            std::fprintf(stderr, "%s", dlgMsgLastDialogNote);
    }
    r.pos = std::min(hit + dlgSeparatorSize, r.data.size());
    ++r.read;
    return true;
}

}  // namespace

int dlgCreateMem(const DlgSettings& s, const DlgCreateInput& in, DlgCreated& out)
{
    out = {};
    if (in.text.size() < dlgMinTextSize) {
        std::fprintf(stderr, dlgMsgTextTooSmall, in.textName.c_str());
        return 0;
    }
    bool battle = false;
    size_t count = countParts(in.text, dlgSeparatorStart(false));
    if (count == 0) {
        count = countParts(in.text, dlgSeparatorStart(true));
        if (count == 0) {
            std::fprintf(stderr, dlgMsgNoDialogs, in.dlgName.c_str());
            return 0;
        }
        battle = true;
    }
    const std::span<const uint8_t>* script = in.script;
    if (battle && script) {
        std::fprintf(stderr, "%s", dlgMsgBattleNoDls);
        script = nullptr;
    }
    size_t scriptCount = 0;
    if (script) {
        scriptCount = countParts(*script, dlgSeparatorStart(false));
        if (scriptCount != count) {
            std::fprintf(stderr, dlgMsgCountsDiffer, static_cast<int>(count),
                         static_cast<int>(scriptCount));
            return 0;
        }
    }
    const size_t total = count + scriptCount;
    if (!battle && total % 2 != 0)
        std::fprintf(stderr, dlgMsgOddCount, in.textName.c_str());

    std::vector<uint8_t>& block = out.block;
    const size_t tableEnd = dlgEntrySize * total + dlgCountSize;
    const size_t scriptSize = script ? script->size() : 0;
    try {
        block.reserve(tableEnd + 2 * (in.text.size() + scriptSize));
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, dlgMsgAlloc, static_cast<int>(tableEnd + 2 * in.text.size()));
        return 0;
    }
    block.assign(tableEnd, 0);

    Records recs{std::vector<size_t>(total), std::vector<uint16_t>(total),
                 std::vector<bool>(total)};
    PartReader text{in.text, in.textName, dlgSeparatorStart(battle)};
    PartReader dls{script ? *script : MemBlock{}, in.scriptName, dlgSeparatorStart(false)};
    bool failed = false;
    if (!script) {
        if (battle)
            tblSelect(s.dialogSlot);
        for (size_t i = 0; i < total; ++i) {
            if (!battle)
                tblSelect(i % 2 == 0 ? s.dlsSlot : s.dialogSlot);
            if (!readPart(text, i, total, block, recs, failed))
                break;
        }
    } else {
        for (size_t i = 0; i < total && !failed; i += 2) {
            tblSelect(s.dlsSlot);
            if (!readPart(dls, i, total, block, recs, failed))
                break;
            tblSelect(s.dialogSlot);
            if (i + 1 >= total || !readPart(text, i + 1, total, block, recs, failed)) {
                if (failed)
                    break;
                std::fprintf(stderr, dlgMsgMissingTextPart, static_cast<int>(i + 1),
                             in.scriptName.c_str());
            }
        }
    }
    if (failed)
        return 0;

    // Parts the count saw but reading could not find (separators closer than
    // a whole separator) become empty records rather than unset pointers.
    // Each file is named with its own counts, so the report points at the
    // file whose separators are too close; a text file whose reading ended
    // only because the script file ran out is not blamed.
    if (text.read != count && (!script || text.read < dls.read))
        std::fprintf(stderr, dlgMsgPartsLost, in.textName.c_str(), static_cast<int>(count),
                     static_cast<int>(text.read));
    if (script && dls.read != scriptCount)
        std::fprintf(stderr, dlgMsgPartsLost, in.scriptName.c_str(), static_cast<int>(scriptCount),
                     static_cast<int>(dls.read));
    size_t next = block.size();
    for (size_t i = total; i-- > 0;) {
        if (!recs.filled[i])
            recs.starts[i] = next;
        next = recs.starts[i];
    }

    for (size_t i = 0; i < total; ++i) {
        const size_t ptr = recs.starts[i] - dlgCountSize;
        if (ptr > dlgPointerMax) {
            std::fprintf(stderr, dlgMsgPointerTooFar, in.dlgName.c_str(), static_cast<int>(2 * i),
                         static_cast<unsigned>(recs.starts[i]));
            return 0;
        }
        const size_t entry = dlgCountSize + dlgEntrySize * i;
        (void)lePut16(block, entry, static_cast<uint16_t>(ptr));
        (void)lePut16(block, entry + 2, recs.flags[i]);
    }
    out.battle = battle;
    out.count = static_cast<uint32_t>(battle ? total : total / 2);
    out.extraEntries = battle ? 0 : total % 2;
    (void)lePut32(block, 0, out.count);
    return 1;
}

int dlgCreate(const DlgSettings& s, const std::string& txt, const std::string& dlg,
              const std::string* script)
{
    try {
        const auto text = fileLoadFile(txt);
        if (!text)
            return 0;
        if (text->size() < dlgMinTextSize) {
            std::fprintf(stderr, dlgMsgTextTooSmall, txt.c_str());
            return 0;
        }
        std::vector<uint8_t> scriptBytes;
        bool haveScript = false;
        if (script) {
            const int64_t size = fileSizeF(*script);
            if (size < 0 || size <= static_cast<int64_t>(dlgMinTextSize)) {
                std::fprintf(stderr, dlgMsgNoDls, script->c_str());
            } else if (size > fileMaxSize) {
                std::fprintf(stderr, fileMsgTooLarge, script->c_str());
                return 0;
            } else {
                try {
                    scriptBytes.resize(static_cast<size_t>(size));
                } catch (const std::bad_alloc&) {
                    std::fprintf(stderr, dlgMsgAlloc,
                                 static_cast<int>(static_cast<int64_t>(text->size()) + size + 1));
                    return 0;
                }
                if (fileLoad(*script, scriptBytes, 0) != size) {
                    std::fprintf(stderr, dlgMsgCantReadDls, script->c_str());
                    return 0;
                }
                haveScript = true;
            }
        }
        const std::span<const uint8_t> scriptSpan(scriptBytes);
        DlgCreateInput in{*text, txt, haveScript ? &scriptSpan : nullptr,
                          script ? *script : std::string(), dlg};
        DlgCreated created;
        if (dlgCreateMem(s, in, created) == 0)
            return 0;
        if (s.recompute &&
            dlgRecompute(created.block, created.count, created.battle, dlg, s,
                         created.extraEntries) ==
                DlgRecomputeResult::refused)
            return 0;
        return dlgSaveFile(dlg, created.block) ? 1 : 0;
    } catch (const std::bad_alloc&) {
        return 0;
    }
}
