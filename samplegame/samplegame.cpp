#include "samplegame.h"

#include <cstdio>

#include "fileutils.h"
#include "messages.h"
#include "platform.h"
#include "samplecd.h"
#include "sampledata.h"
#include "sampledb.h"
#include "sampledlg.h"
#include "sampleimg.h"
#include "samplepics.h"
#include "sampletext.h"
#include "sampletim.h"

namespace {

// Script opcodes of the invented script language (all below 0x20, so the
// scripts never read as text): speaker, face, wait, sound, show window.
constexpr uint8_t opSpeaker = 0x01, opFace = 0x02, opWait = 0x03, opSound = 0x08,
                  opWindow = 0x0F;

constexpr uint8_t chunkMap = 0x02, chunkTim = 0x04, chunkEnemies = 0x05, chunkDialog = 0x06,
                  chunkTileInfo = 0x0A;

std::vector<uint8_t> script(uint8_t speaker, uint8_t face)
{
    return {opSpeaker, speaker, opFace, face, opWindow};
}

// Deterministic filler for blocks whose content no tool interprets.
std::vector<uint8_t> filler(size_t size, uint32_t seed, std::vector<uint8_t> magic = {})
{
    std::vector<uint8_t> out = std::move(magic);
    uint32_t s = seed;
    while (out.size() < size) {
        s = s * 1664525u + 1013904223u;
        out.push_back(static_cast<uint8_t>(s >> 24));
    }
    return out;
}

std::optional<std::vector<uint8_t>> scene01Dialogs()
{
    return sampleDlgNormal({
        {script(0x10, 0x00), {opWait, 0x08}, "Welcome to Kaze village.[n]The wind is kind today.[e]",
         0x00},
        {script(0x11, 0x01), {opWait, 0x10},
         "The elder is waiting for you.[n]His house is up the hill.[e]", 0x00},
        {script(0x12, 0x02), {opSound, 0x04},
         "Have you seen my cat?[p]She is [COL02]black[COL00] with white paws.[e]", 0x01},
        {script(0x10, 0x03), {}, "Take care on the road, [NAME00].[e]", 0x00},
    });
}

std::optional<std::vector<uint8_t>> scene01Greetings()
{
    return sampleDlgNormal({
        {script(0x13, 0x00), {opWait, 0x04, opSound, 0x02},
         "[NAME01] and [NAME00], welcome home.[n]Rest here.[e]", 0x02},
        {script(0x13, 0x01), {opWait, 0x04}, "Thank you for the medicine.[e]", 0x02},
    });
}

std::optional<std::vector<uint8_t>> scene02Dialogs()
{
    return sampleDlgNormal({
        {script(0x14, 0x00), {opWait, 0x02},
         "The bridge to the east is broken.[n]Nobody can cross until spring.[e]", 0x00},
        {script(0x14, 0x01), {opWait, 0x02},
         "[NAME00], is that you?[n]I thought you had left us for the capital.[e]", 0x00},
        {script(0x15, 0x00), {}, "Two coins for a night at the inn.[e]", 0x01},
    });
}

std::optional<std::vector<uint8_t>> battleDialogs()
{
    return sampleDlgBattle({
        "A wild boar charges![e]",
        "[NAME00] dodges the attack.[e]",
        "The boar runs away.[e]",
        "Victory![n]Everyone gains 12 points.[e]",
    });
}

struct Builder {
    SampleGame game;
    std::string error;

    // Records a file of an archive for the tests; `where` is its extracted name.
    void inner(const std::string& where, const std::vector<uint8_t>& data)
    {
        game.inner.push_back({where, "", data});
    }

    std::optional<std::vector<uint8_t>> need(std::optional<std::vector<uint8_t>> v, const char* what)
    {
        if (!v && error.empty())
            error = what;
        return v;
    }

    std::optional<std::vector<uint8_t>> db(const std::string& name,
                                           const std::vector<SampleDbChunk>& chunks,
                                           uint32_t trailing)
    {
        auto d = need(sampleDbBuild(chunks, trailing), name.c_str());
        if (!d)
            return d;
        inner(name, *d);
        for (size_t c = 0; c < chunks.size(); ++c)
            for (size_t f = 0; f < chunks[c].files.size(); ++f) {
                const uint8_t t = chunks[c].type;
                const char* ext = t == chunkTim ? ".tim" : t == chunkDialog ? ".dlg" : nullptr;
                char where[64];
                char extBuf[8];
                if (!ext) {
                    std::snprintf(extBuf, sizeof extBuf, ".%02x", unsigned{t});
                    ext = extBuf;
                }
                std::snprintf(where, sizeof where, ":%02X/%02zu_%02zu_%04X%s", unsigned{t}, c, f,
                              unsigned{chunks[c].files[f].id}, ext);
                inner(name + where, chunks[c].files[f].data);
            }
        return d;
    }
};

}  // namespace

std::optional<SampleGame> sampleGameBuild(std::string& error)
{
    Builder b;
    const SampleBackground village = sampleBackgroundBuild(1);
    const SampleBackground bridge = sampleBackgroundBuild(2);
    if (village.tileInfo.empty() || bridge.tileInfo.empty()) {
        error = "tile info";
        return std::nullopt;
    }

    auto d0100 = b.need(scene01Dialogs(), "SCENE01 dialogs");
    auto d0101 = b.need(scene01Greetings(), "SCENE01 greetings");
    auto d0200 = b.need(scene02Dialogs(), "SCENE02 dialogs");
    auto dBattle = b.need(battleDialogs(), "battle dialogs");
    if (!b.error.empty()) {
        error = b.error;
        return std::nullopt;
    }

    // Spacing data of a tile info chunk: the background's scroll limits.
    const std::vector<uint8_t> scroll = {0x00, 0x00, 0x40, 0x00, 0x00, 0x00, 0x30, 0x00};
    auto scene01 = b.db("01/01_0000.db",
                        {
                            {chunkDialog, {}, {{0x0100, *d0100}, {0x0101, *d0101}}},
                            {chunkTim,
                             {},
                             {{0x0200, village.texture8},
                              {0x0201, village.texture4},
                              {0x0202, village.palettes}}},
                            {chunkTileInfo, scroll, {{0x0300, village.tileInfo}}},
                            {chunkMap, {}, {{0x0400, filler(96, 1)}, {0x0401, filler(130, 2)}}},
                        },
                        0x00014B5A);
    auto scene02 = b.db("01/01_0002.db",
                        {
                            {chunkDialog, {}, {{0x0100, *d0200}}},
                            {chunkTileInfo, scroll, {{0x0300, bridge.tileInfo}}},
                            {chunkTim,
                             {},
                             {{0x0200, bridge.texture8},
                              {0x0201, bridge.texture4},
                              {0x0202, bridge.palettes}}},
                        },
                        0x00024B5A);
    auto battle = b.db("00/00_0002_00100001.db",
                       {
                           {chunkDialog, {}, {{0x0001, *dBattle}}},
                           {chunkEnemies, {}, {{0x0010, filler(48, 3)}, {0x0011, filler(52, 4)}}},
                       },
                       0x00034B5A);
    if (!scene01 || !scene02 || !battle) {
        error = b.error;
        return std::nullopt;
    }

    const std::vector<uint8_t> font = sampleFontTim();
    const std::vector<uint8_t> config = filler(300, 5, {'C', 'F', 'G', '1'});
    const std::vector<uint8_t> title = sampleTitleTim();
    const std::vector<uint8_t> bank0 = filler(2500, 6, {'p', 'B', 'A', 'V'});
    const std::vector<uint8_t> bank1 = filler(1200, 7, {'p', 'B', 'A', 'V'});
    auto credits = b.need(sampleEncode("Sample game for the kz7 toolkit. No rights reserved."),
                          "credits");
    if (!credits) {
        error = b.error;
        return std::nullopt;
    }
    const std::vector<uint8_t> icon = filler(160, 8, {'S', 'C'});
    b.inner("00/00_0000_0001.tim", font);
    b.inner("00/00_0001_0002", config);
    b.inner("01/01_0003.tim", title);
    b.inner("02/02_0000", bank0);
    b.inner("02/02_0001", bank1);
    b.inner("03/03_0000_0500", *credits);
    b.inner("03/03_0001_0501", icon);

    const std::vector<SampleImgDir> dirs = {
        {2, {{0x0001, 0, false, font}, {0x0002, 0, false, config}, {0x0010, 0x0001, false, *battle}}},
        {3, {{0, 0, false, *scene01}, {0, 0, false, *scene02}, {0, 0, true, {}}, {0, 0, false, title}}},
        {3, {{0, 0, false, bank0}, {0, 0, false, bank1}}},
        {2, {{0x0500, 0, false, *credits}, {0x0501, 0, false, icon}}},
    };
    auto img = sampleImgBuild(dirs, 0x00000100);
    if (!img) {
        error = "kz7.img";
        return std::nullopt;
    }
    size_t files = 0;
    for (const SampleImgDir& d : dirs)
        for (const SampleImgFile& f : d.files)
            files += f.unused ? 0 : 1;
    b.game.files.push_back({sampleGameParts::imgName,
                            "IMG archive, " + std::to_string(dirs.size()) + " directories, " +
                                std::to_string(files) + " files",
                            *img});
    const std::string table = sampleTableText();
    const std::string lengths = sampleLengthsText();
    b.game.files.push_back(
        {sampleGameParts::tableName, "dialog character table", {table.begin(), table.end()}});
    b.game.files.push_back(
        {sampleGameParts::lengthsName, "lengths table", {lengths.begin(), lengths.end()}});
    SampleCd cd = sampleCdBuild();
    b.game.files.push_back({sampleCdBinName,
                            "raw CD image, " + std::to_string(sampleCdSectors) + " sectors, movie of " +
                                std::to_string(sampleCdFrames) + " frames at " +
                                std::to_string(sampleCdMoviePos),
                            std::move(cd.bin)});
    b.game.files.push_back({sampleCdStrName, "STR movie, " + std::to_string(sampleCdFrames) + " frames",
                            std::move(cd.str)});
    auto messages = b.need(sampleMessagesBuild(), sampleMessagesName);
    if (!messages) {
        error = b.error;
        return std::nullopt;
    }
    b.game.files.push_back({sampleMessagesName, "messages, header of positions and sizes", *messages});
    samplePicsAdd(b.game.files);
    return std::move(b.game);
}

bool sampleGameWrite(const SampleGame& game, const std::string& dir)
{
    const PlatformStat st = platformStat(dir);
    if (st.kind == PlatformKind::missing) {
        if (platformMkdir(dir) != 0) {
            std::fprintf(stderr, sampleMsgCantMkdir, dir.c_str());
            return false;
        }
    } else if (st.kind != PlatformKind::directory) {
        std::fprintf(stderr, sampleMsgNotDir, dir.c_str());
        return false;
    }
    const std::string prefix = dir.ends_with('/') ? dir : dir + "/";
    for (const SampleGameFile& f : game.files) {
        const std::string target = prefix + f.name;
        const std::string sub = prefix + platformDirPart(f.name);
        if (sub != prefix && !platformIsDir(sub) && platformMkdir(sub) != 0) {
            std::fprintf(stderr, sampleMsgCantMkdir, sub.c_str());
            return false;
        }
        FileOutput out;
        if (!fileOutputBegin(out, target))
            return false;  // the routine has said why
        if (fileSave(out.path, f.data, 0, "wb") != f.data.size()) {
            std::fprintf(stderr, sampleMsgWrite, target.c_str(), platformLastError().c_str());
            return false;
        }
        if (!fileOutputCommit(out))
            return false;
    }
    return true;
}
