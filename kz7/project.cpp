#include "project.h"

#include "bgextract.h"
#include "bgimport.h"
#include "create.h"
#include "db.h"
#include "dlgfile.h"
#include "extract.h"
#include "fileutils.h"
#include "img.h"
#include "kz7tables.h"
#include "manifest.h"
#include "kz7messages.h"
#include "platform.h"
#include "progress.h"

#include <cstdio>
#include <algorithm>
#include <cstring>
#include <map>
#include <set>

std::string kz7Dir(const std::string& path)
{
    if (path.empty())
        return "./";
    return path.back() == '/' ? path : path + "/";
}

namespace {

bool endsWith(const std::string& s, const char* tail)
{
    const size_t n = std::strlen(tail);
    return s.size() >= n && platformStricmp(std::string_view(s).substr(s.size() - n), tail) == 0;
}

std::string cutExtension(const std::string& path)
{
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    return dot == std::string::npos || (slash != std::string::npos && dot < slash) ? path
                                                                                    : path.substr(0, dot);
}

// Creates every missing folder of `dir` (with its trailing '/').
bool makeDirs(const std::string& dir)
{
    for (size_t i = 1; i < dir.size(); ++i) {
        if (dir[i] != '/')
            continue;
        const std::string part = dir.substr(0, i);
        if (!platformIsDir(part) && platformMkdir(part) != 0) {
            std::fprintf(stderr, kz7MsgMkdir, part.c_str(), platformLastError().c_str());
            return false;
        }
    }
    return true;
}

// Files below `dir` (with '/'), relative to it, sorted by path.
void listTree(const std::string& dir, const std::string& rel, std::vector<std::string>& out)
{
    for (const PlatformDirEntry& e : platformScanDir(dir + rel)) {
        if (e.isDir)
            listTree(dir, rel + e.name + "/", out);
        else
            out.push_back(rel + e.name);
    }
}

std::string kindOf(const std::string& path)
{
    static const std::pair<const char*, const char*> kinds[] = {
        {".txt", "text"}, {".dls", "script"}, {".dlg", "dialog"}, {".bmp", "picture"},
        {".0a", "info"},  {".tim", "tim"},    {".db", "db"},      {".tbs", "table"},
        {".tbl", "table"}};
    for (const auto& [ext, kind] : kinds)
        if (endsWith(path, ext))
            return kind;
    return "file";
}

// Where a file of the project came from, from its place in the tree:
// files/NN/F from the IMG archive, files/NN/D/TT/F from DB archive NN/D.db,
// texts and scripts from their dialog file, pictures from their tile info
// file.
std::string originOf(const std::string& rel, const std::vector<std::string>& all)
{
    if (rel.rfind("files/", 0) != 0)
        return "GAME/" + rel;
    const std::string inner = rel.substr(6);
    const size_t s1 = inner.find('/');
    const size_t s2 = s1 == std::string::npos ? s1 : inner.find('/', s1 + 1);
    if (s2 == std::string::npos)
        return "kz7.img:" + inner;
    const std::string db = inner.substr(0, s2) + ".db";
    std::string chunk = inner.substr(s2 + 1);
    const std::string kind = kindOf(rel);
    if (kind == "text" || kind == "script")
        return db + ":" + cutExtension(chunk) + ".dlg (converted)";
    if (kind == "picture") {
        for (const std::string& other : all)
            if (kindOf(other) == "info" && rel.rfind(cutExtension(other) + "_", 0) == 0)
                return db + ":" + other.substr(6 + s2 + 1) + " (drawn)";
    }
    return db + ":" + chunk;
}

std::optional<Manifest> readManifest(const std::string& workDir)
{
    const std::string path = workDir + manifestName;
    int64_t size = fileSizeF(path);
    if (size < 0) {
        std::fprintf(stderr, kz7MsgNoProject, workDir.c_str(), (std::string(manifestName) + " is missing").c_str());
        return std::nullopt;
    }
    auto bytes = fileLoadFile(path);
    if (!bytes)
        return std::nullopt;
    std::string error;
    auto m = manifestFromJson(std::string(bytes->begin(), bytes->end()), error);
    if (!m)
        std::fprintf(stderr, kz7MsgNoProject, workDir.c_str(), (std::string(manifestName) + ": " + error).c_str());
    return m;
}

enum class FileState { unchanged, changed, missing };

FileState stateOf(const std::string& workDir, const ManifestFile& f)
{
    if (!platformIsRegular(workDir + f.path))
        return FileState::missing;
    const auto hash = manifestHashFile(workDir + f.path);
    return hash && *hash == f.hash ? FileState::unchanged : FileState::changed;
}

bool copyWhole(const std::string& from, const std::string& to)
{
    auto bytes = fileLoadFile(from);
    return bytes && fileSaveWhole(to, *bytes);
}

// The IMG files of a project: files/NN/NAME, the DB archives among them.
std::vector<std::string> imgFiles(const std::vector<std::string>& all)
{
    std::vector<std::string> out;
    for (const std::string& rel : all)
        if (rel.rfind("files/", 0) == 0 && std::count(rel.begin(), rel.end(), '/') == 2)
            out.push_back(rel);
    return out;
}

}  // namespace

int kz7Unpack(const std::string& game, const std::string& work, const Kz7UnpackOptions& o)
{
    const std::string gameDir = kz7Dir(game);
    const std::string workDir = kz7Dir(work);
    for (const char* name : {"kz7.img", "kz7.tbs", "kz7.tbl"}) {
        if (!platformIsRegular(gameDir + name)) {
            std::fprintf(stderr, kz7MsgGameFile, (gameDir + name).c_str());
            return 1;
        }
    }
    if (platformIsDir(work) && !platformScanDir(work).empty()) {
        if (!o.overwrite) {
            std::fprintf(stderr, kz7MsgWorkNotEmpty, work.c_str());
            return 1;
        }
        auto old = readManifest(workDir);
        if (!old)
            return 1;
        bool changed = false;
        for (const ManifestFile& f : old->files)
            if (stateOf(workDir, f) == FileState::changed) {
                std::fprintf(stderr, kz7MsgTranslatorChanged, (workDir + f.path).c_str());
                changed = true;
            }
        if (changed)
            return 1;
    }
    const std::string filesDir = workDir + "files/";
    if (!makeDirs(filesDir))
        return 1;
    if (!copyWhole(gameDir + "kz7.tbs", workDir + "kz7.tbs") ||
        !copyWhole(gameDir + "kz7.tbl", workDir + "kz7.tbl"))
        return 1;

    Progress progress("unpack");
    const std::string imgPath = gameDir + "kz7.img";
    {
        auto archive = imgOpen(imgPath);
        if (!archive)
            return 1;
        imgSettings = ImgSettings{};
        imgSettings.decode = true;
        std::string prefix = filesDir;
        const long long written = imgExtractAll(prefix, *archive, nullptr);
        if (written <= 0) {
            std::fprintf(stderr, kz7MsgStep, "extraction", imgPath.c_str());
            return 1;
        }
    }
    std::vector<std::string> all;
    listTree(workDir, "files/", all);
    const std::vector<std::string> top = imgFiles(all);

    Kz7Tables tables;
    if (!kz7TablesLoad(tables, workDir + "kz7.tbs"))
        return 1;
    bool ok = true;
    size_t texts = 0;
    size_t pictures = 0;
    size_t done = 0;
    for (const std::string& rel : top) {
        progressShow(progress, ++done, top.size());
        if (!endsWith(rel, ".db"))
            continue;
        auto db = dbOpen(workDir + rel);
        if (!db) {
            std::fprintf(stderr, kz7MsgStep, "opening the DB archive", (workDir + rel).c_str());
            ok = false;
            continue;
        }
        dbSettings = DbSettings{};
        dbSettings.decode = true;
        std::string prefix = workDir + cutExtension(rel) + "/";
        if (!makeDirs(prefix))
            return 1;
        dbExtractAll(prefix, *db, nullptr);
        std::vector<std::string> chunks;
        listTree(prefix, "", chunks);
        for (const std::string& c : chunks) {
            const std::string path = prefix + c;
            if (endsWith(c, ".dlg")) {
                const std::string txt = cutExtension(path) + ".txt";
                const std::string dls = cutExtension(path) + ".dls";
                if (dlgExtract(tables.settings, path, txt, &dls) != 1) {
                    std::fprintf(stderr, kz7MsgStep, "conversion to text", path.c_str());
                    ok = false;
                } else {
                    ++texts;
                }
            } else if (endsWith(c, ".0a")) {
                const std::string tims = prefix + "04";
                const size_t before = fileFindFiles(cutExtension(path) + "_*.bmp").size();
                backgroundExtract(path, tims, cutExtension(path));
                pictures += fileFindFiles(cutExtension(path) + "_*.bmp").size() - before;
            }
        }
    }
    progressEnd(progress);

    Manifest m;
    m.game = platformAbsolute(game);
    const auto imgHash = manifestHashFile(imgPath);
    if (!imgHash) {
        std::fprintf(stderr, kz7MsgHash, imgPath.c_str());
        return 1;
    }
    m.imgHash = *imgHash;
    m.imgSize = static_cast<uint64_t>(fileSizeF(imgPath));
    all.clear();
    all.push_back("kz7.tbl");
    all.push_back("kz7.tbs");
    listTree(workDir, "files/", all);
    for (const std::string& rel : all) {
        const auto hash = manifestHashFile(workDir + rel);
        if (!hash) {
            std::fprintf(stderr, kz7MsgHash, (workDir + rel).c_str());
            return 1;
        }
        m.files.push_back({rel, kindOf(rel), originOf(rel, all),
                           static_cast<uint64_t>(fileSizeF(workDir + rel)), *hash});
    }
    const std::string json = manifestToJson(m);
    if (!fileSaveWhole(workDir + manifestName, std::span(reinterpret_cast<const uint8_t*>(json.data()), json.size())))
        return 1;
    if (!o.quiet)
        std::printf(kz7MsgUnpacked, imgPath.c_str(), work.c_str(), m.files.size(), texts, pictures);
    return ok ? 0 : 1;
}

int kz7Status(const std::string& work)
{
    const std::string workDir = kz7Dir(work);
    auto m = readManifest(workDir);
    if (!m)
        return 1;
    size_t counts[3] = {};
    std::set<std::string> known;
    for (const ManifestFile& f : m->files) {
        known.insert(f.path);
        const FileState s = stateOf(workDir, f);
        ++counts[static_cast<int>(s)];
        if (s != FileState::unchanged)
            std::printf(kz7MsgStatusLine, f.path.c_str(), s == FileState::changed ? "changed" : "missing");
    }
    std::vector<std::string> present;
    listTree(workDir, "files/", present);
    size_t added = 0;
    for (const std::string& rel : present)
        if (!known.count(rel)) {
            std::printf(kz7MsgStatusLine, rel.c_str(), "new (not packed)");
            ++added;
        }
    std::printf(kz7MsgStatusTotal, counts[0], counts[1], counts[2], added);
    return 0;
}

namespace {

// A scratch folder removed with the record.
struct Scratch {
    std::string dir;  // with its trailing '/', "" when it could not be made
    explicit Scratch(const char* stem)
    {
        const std::string made = platformMakeTempDir(stem);
        if (made.empty())
            std::fprintf(stderr, kz7MsgScratch, platformLastError().c_str());
        else
            dir = made + "/";
    }
    Scratch(const Scratch&) = delete;
    Scratch& operator=(const Scratch&) = delete;
    ~Scratch()
    {
        if (!dir.empty())
            platformRemoveTree(dir);
    }
};

// True when `extracted` holds `packed` followed by nothing but zero bytes:
// archives pad a file to its space (sectors, an old file's size).
bool samePadded(const std::string& extracted, const std::string& packed)
{
    auto a = fileLoadFile(extracted);
    auto b = fileLoadFile(packed);
    if (!a || !b || a->size() < b->size())
        return false;
    if (!std::equal(b->begin(), b->end(), a->begin()))
        return false;
    return std::all_of(a->begin() + static_cast<std::ptrdiff_t>(b->size()), a->end(),
                       [](uint8_t c) { return c == 0; });
}

// Offset of the first byte in which two files differ (the shorter one's
// size when one is a prefix of the other), -1 when they are the same;
// read in chunks, so a game of any size is compared in little memory.
int64_t firstDifference(const std::string& a, const std::string& b)
{
    FilePtr fa = fileOpen(a, "rb");
    FilePtr fb = fileOpen(b, "rb");
    if (!fa || !fb)
        return 0;
    std::vector<uint8_t> ba(1 << 16), bb(1 << 16);
    for (int64_t at = 0;;) {
        const size_t na = std::fread(ba.data(), 1, ba.size(), fa.get());
        const size_t nb = std::fread(bb.data(), 1, bb.size(), fb.get());
        const size_t n = std::min(na, nb);
        const auto hit = std::mismatch(ba.begin(), ba.begin() + static_cast<std::ptrdiff_t>(n), bb.begin());
        if (hit.first != ba.begin() + static_cast<std::ptrdiff_t>(n))
            return at + (hit.first - ba.begin());
        if (na != nb)
            return at + static_cast<int64_t>(n);
        if (na < ba.size())
            return std::ferror(fa.get()) || std::ferror(fb.get()) ? at + static_cast<int64_t>(n) : -1;
        at += static_cast<int64_t>(n);
    }
}

// "files/NN/D" of a chunk file "files/NN/D/TT/F", "" for an IMG file.
std::string dbOfChunk(const std::string& rel)
{
    size_t slashes = 0;
    for (size_t i = 0; i < rel.size(); ++i)
        if (rel[i] == '/' && ++slashes == 3)
            return rel.substr(0, i);
    return "";
}

struct PackRun {
    std::string workDir;
    std::string stage;  // scratch folder with '/'
    const Manifest* m = nullptr;
    std::map<std::string, FileState> states;
    std::map<std::string, std::string> staged;  // path under files/ -> what was done
    std::vector<std::pair<std::string, std::string>> lines;  // changed file, summary
    bool ok = true;

    bool changed(const std::string& rel) const
    {
        const auto it = states.find(rel);
        return it != states.end() && it->second == FileState::changed;
    }
    bool stageCopy(const std::string& rel, const std::string& from)
    {
        if (!makeDirs(platformDirPart(stage + rel)) || !copyWhole(from, stage + rel)) {
            ok = false;
            return false;
        }
        return true;
    }
};

void packDialogs(PackRun& r, Kz7Tables& tables)
{
    for (const ManifestFile& f : r.m->files) {
        if (f.kind != "dialog")
            continue;
        const std::string base = cutExtension(f.path);
        const bool hasScript = manifestFind(*r.m, base + ".dls") != nullptr;
        const bool textChanged = r.changed(base + ".txt") || (hasScript && r.changed(base + ".dls"));
        if (textChanged && r.changed(f.path)) {
            std::fprintf(stderr, kz7MsgBothChanged, (r.workDir + base + ".txt").c_str(), (r.workDir + f.path).c_str());
            r.ok = false;
            continue;
        }
        if (textChanged) {
            const std::string target = r.stage + f.path;
            const std::string script = r.workDir + base + ".dls";
            if (!makeDirs(platformDirPart(target)) ||
                dlgCreate(tables.settings, r.workDir + base + ".txt", target, hasScript ? &script : nullptr) != 1) {
                std::fprintf(stderr, kz7MsgStep, "building the dialog file", (r.workDir + base + ".txt").c_str());
                r.ok = false;
                continue;
            }
            const std::string what = "dialog " + platformBaseName(f.path) + " rebuilt, " + std::to_string(f.size) +
                                     " -> " + std::to_string(fileSizeF(target)) + " bytes";
            r.staged[f.path] = what;
            for (const char* ext : {".txt", ".dls"})
                if (r.changed(base + ext))
                    r.lines.push_back({base + ext, what});
        } else if (r.changed(f.path) && r.stageCopy(f.path, r.workDir + f.path)) {
            r.staged[f.path] = "dialog file taken as it is";
            r.lines.push_back({f.path, r.staged[f.path]});
        }
    }
}

void packBackgrounds(PackRun& r)
{
    for (const ManifestFile& f : r.m->files) {
        if (f.kind != "info")
            continue;
        const std::string base = cutExtension(f.path);
        std::vector<std::string> edited;
        for (const ManifestFile& p : r.m->files)
            if (p.kind == "picture" && p.path.rfind(base + "_", 0) == 0 && r.changed(p.path))
                edited.push_back(p.path);
        if (edited.empty())
            continue;
        const std::string db = dbOfChunk(f.path);
        const std::string outPrefix = r.stage + "bg/" + base + "/";
        if (!makeDirs(outPrefix) ||
            !backgroundImport(r.workDir + f.path, r.workDir + db + "/04", r.workDir + base, outPrefix)) {
            std::fprintf(stderr, kz7MsgStep, "importing the pictures", (r.workDir + f.path).c_str());
            r.ok = false;
            continue;
        }
        std::vector<std::string> made;
        listTree(outPrefix, "", made);
        size_t written = 0;
        for (const std::string& name : made) {
            const std::string rel = db + (endsWith(name, ".0a") ? "/0A/" : "/04/") + name;
            if (!manifestFind(*r.m, rel) || samePadded(r.workDir + rel, outPrefix + name))
                continue;
            if (r.changed(rel)) {
                std::fprintf(stderr, kz7MsgBothChanged, (r.workDir + edited[0]).c_str(), (r.workDir + rel).c_str());
                r.ok = false;
                continue;
            }
            if (r.stageCopy(rel, outPrefix + name)) {
                r.staged[rel] = "from the pictures of " + platformBaseName(f.path);
                ++written;
            }
        }
        for (const std::string& p : edited)
            r.lines.push_back({p, "background " + platformBaseName(f.path) + " imported, " +
                                      std::to_string(written) + " files changed"});
    }
}

// Files changed as they are: chunk files and IMG files other than texts,
// scripts, dialogs and pictures.
void packRawFiles(PackRun& r)
{
    for (const ManifestFile& f : r.m->files) {
        if (!r.changed(f.path) || f.path.rfind("files/", 0) != 0 || f.kind == "text" || f.kind == "script" ||
            f.kind == "dialog" || f.kind == "picture")
            continue;
        if (r.staged.count(f.path))
            continue;
        if (r.stageCopy(f.path, r.workDir + f.path)) {
            r.staged[f.path] = "taken as it is";
            r.lines.push_back({f.path, "taken as it is"});
        }
    }
}

void packDbs(PackRun& r)
{
    std::map<std::string, std::vector<std::string>> byDb;
    for (const auto& [rel, what] : r.staged)
        if (!dbOfChunk(rel).empty())
            byDb[dbOfChunk(rel)].push_back(rel);
    for (const auto& [db, chunks] : byDb) {
        const std::string dbRel = db + ".db";
        if (r.staged.count(dbRel)) {
            std::fprintf(stderr, kz7MsgBothChanged, (r.workDir + dbRel).c_str(), (r.workDir + chunks[0]).c_str());
            r.ok = false;
            continue;
        }
        bool fits = true;
        for (const std::string& c : chunks) {
            const ManifestFile* old = manifestFind(*r.m, c);
            fits = fits && old && static_cast<uint64_t>(fileSizeF(r.stage + c)) <= old->size;
        }
        auto archive = dbOpen(r.workDir + dbRel);
        if (!archive) {
            r.ok = false;
            continue;
        }
        dbSettings = DbSettings{};
        dbSettings.decode = true;
        dbSettings.import = fits;
        std::string prefix = r.stage + db + "/";
        ArgList list{{r.stage + dbRel}};
        if (dbImport(prefix, *archive, &list) != 1 || archive->writeFailed) {
            std::fprintf(stderr, kz7MsgStep, fits ? "importing into the DB archive" : "rebuilding the DB archive",
                         (r.workDir + dbRel).c_str());
            r.ok = false;
            continue;
        }
        r.staged[dbRel] = fits ? "imported in place" : "rebuilt";
        const std::string note = std::string("; ") + dbRel.substr(6) + (fits ? " imported in place" : " rebuilt");
        for (auto& [file, what] : r.lines)
            if (file.rfind(db + "/", 0) == 0)
                what += note;
    }
}

// Extracts the new archive and compares every staged file with it.
void packCheck(PackRun& r, const std::string& newImg)
{
    const std::string checkDir = r.stage + "check/";
    if (!makeDirs(checkDir)) {
        r.ok = false;
        return;
    }
    auto archive = imgOpen(newImg);
    if (!archive) {
        r.ok = false;
        return;
    }
    imgSettings = ImgSettings{};
    imgSettings.decode = true;
    std::string prefix = checkDir + "files/";
    if (!makeDirs(prefix) || imgExtractAll(prefix, *archive, nullptr) <= 0) {
        r.ok = false;
        return;
    }
    std::set<std::string> opened;
    for (const auto& [rel, what] : r.staged) {
        const std::string db = dbOfChunk(rel);
        if (!db.empty() && opened.insert(db).second) {
            auto newDb = dbOpen(checkDir + db + ".db");
            dbSettings = DbSettings{};
            dbSettings.decode = true;
            std::string dbPrefix = checkDir + db + "/";
            if (!newDb || !makeDirs(dbPrefix) || dbExtractAll(dbPrefix, *newDb, nullptr) <= 0) {
                r.ok = false;
                return;
            }
        }
        if (!samePadded(checkDir + rel, r.stage + rel)) {
            std::fprintf(stderr, kz7MsgVerifyPacked, rel.c_str());
            r.ok = false;
        }
    }
}

}  // namespace

int kz7Pack(const std::string& work, const std::string& out, bool quiet)
{
    PackRun r;
    r.workDir = kz7Dir(work);
    const auto m = readManifest(r.workDir);
    if (!m)
        return 1;
    r.m = &*m;
    const std::string imgPath = kz7Dir(m->game) + "kz7.img";
    const auto gameHash = manifestHashFile(imgPath);
    if (!gameHash || *gameHash != m->imgHash) {
        std::fprintf(stderr, kz7MsgGameChanged, imgPath.c_str());
        return 1;
    }
    const std::string outDir = kz7Dir(out);
    const std::string outImg = outDir + "kz7.img";
    if (platformSameFile(outImg, imgPath) || platformAbsolute(outDir) == platformAbsolute(kz7Dir(m->game))) {
        std::fprintf(stderr, kz7MsgOutIsGame, outImg.c_str());
        return 1;
    }
    for (const ManifestFile& f : m->files) {
        const FileState s = stateOf(r.workDir, f);
        r.states[f.path] = s;
        if (s == FileState::missing && f.path.rfind("files/", 0) == 0) {
            std::fprintf(stderr, kz7MsgStep, "packing (the file is missing; restore it)", (r.workDir + f.path).c_str());
            r.ok = false;
        }
    }
    Scratch scratch("kz7pack");
    if (scratch.dir.empty() || !r.ok)
        return 1;
    r.stage = scratch.dir;
    Progress progress("pack");
    {
        Kz7Tables tables;
        if (!kz7TablesLoad(tables, r.workDir + "kz7.tbs"))
            return 1;
        tables.settings.recompute = true;
        progressShow(progress, 1, 5);
        packDialogs(r, tables);
    }
    progressShow(progress, 2, 5);
    packBackgrounds(r);
    packRawFiles(r);
    progressShow(progress, 3, 5);
    if (r.ok)
        packDbs(r);
    const std::string newImg = r.stage + "kz7.img";
    if (r.ok) {
        progressShow(progress, 4, 5);
        auto archive = imgOpen(imgPath);
        imgSettings = ImgSettings{};
        imgSettings.decode = true;
        std::string prefix = r.stage + "files/";
        ArgList list{{newImg}};
        if (!archive || !makeDirs(prefix) || imgImport(prefix, *archive, &list) != 1 || !platformIsRegular(newImg)) {
            std::fprintf(stderr, kz7MsgStep, "rebuilding the IMG archive", imgPath.c_str());
            r.ok = false;
        }
    }
    if (r.ok)
        packCheck(r, newImg);
    progressShow(progress, 5, 5);
    progressEnd(progress);
    const int64_t size = fileSizeF(newImg);
    if (r.ok) {
        r.ok = makeDirs(outDir) && fileWriteWhole(outImg, [&](const std::string& path) {
                   return fileCopyF(newImg, path, 0, 0, static_cast<uint32_t>(size), "wb") == size;
               });
    }
    if (!r.ok) {
        std::fprintf(stderr, kz7MsgPackFailed, outImg.c_str());
        return 1;
    }
    if (!quiet) {
        for (const auto& [file, what] : r.lines)
            std::printf(kz7MsgPackedFile, file.c_str(), what.c_str());
        std::printf(kz7MsgPackedTotal, r.lines.size(), outImg.c_str(), static_cast<long long>(size));
    }
    return 0;
}

int kz7Verify(const std::string& game)
{
    Scratch scratch("kz7verify");
    if (scratch.dir.empty())
        return 1;
    Kz7UnpackOptions o;
    o.quiet = true;
    if (kz7Unpack(game, scratch.dir + "work", o) != 0 || kz7Pack(scratch.dir + "work", scratch.dir + "out", true) != 0)
        return 1;
    const std::string imgPath = kz7Dir(game) + "kz7.img";
    const int64_t diff = firstDifference(imgPath, scratch.dir + "out/kz7.img");
    if (diff != -1) {
        std::fprintf(stderr, kz7MsgVerifyDiffers, imgPath.c_str(), static_cast<long long>(diff));
        return 1;
    }
    const long long size = fileSizeF(imgPath);
    std::printf(kz7MsgVerifyOk, imgPath.c_str(), size);
    return 0;
}
