// The demo's road of one dialog edit, run with this build's programs on the
// sample game: it must end with its success line, and the archive it makes
// must hold the edited line, recomputed window sizes and, apart from that,
// exactly the original game.
#include <gtest/gtest.h>

#include <filesystem>

#include "samplegame.h"
#include "sampletext.h"
#include "samplegame/readers.h"
#include "support/testsupport.h"

namespace {

const std::string roadScript = std::string(KZ7_SOURCE_DIR) + "/demo/road.sh";
constexpr const char* oldText = "The elder is waiting for you.";
constexpr const char* newText = "The village elder has been waiting for you since dawn.";

bool haveTools()
{
    for (const char* t : {"samplegame", "imgtool", "dbtool", "dlgtool"})
        if (!testExists(testToolPath(t)))
            return false;
    return true;
}

std::string lastLine(const std::string& out)
{
    const auto lines = testLines(out);
    return lines.empty() ? "" : lines.back();
}

const ImgReadFile* findFile(const ImgRead& img, const std::string& name)
{
    for (const auto& f : img.files)
        if (f.name == name)
            return &f;
    return nullptr;
}

const DbReadFile* findFile(const DbRead& db, const std::string& name)
{
    for (const auto& f : db.files)
        if (f.name == name)
            return &f;
    return nullptr;
}

}  // namespace

TEST(DemoRoad, EditsOneLineAndLeavesEverythingElseAlone)
{
    if (!haveTools())
        GTEST_SKIP() << "the programs of the road are not built";
    ScratchDir scratch;
    const std::string work = scratch / "work";
    const RunResult r = testRunExe("bash", {roadScript, KZ7_BIN_DIR, work});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(lastLine(r.out).starts_with(
        "DEMO PASSED: the new line is in kz7-new.img, every other file is unchanged"))
        << r.out;

    // Each command is shown before it runs, in the order of the road.
    size_t at = 0;
    for (const std::string cmd : {
             "$ samplegame game\n",
             "$ imgtool -e -d img game/kz7.img\n",
             "$ dbtool -e -d db img/01/01_0000.db\n",
             "$ dlgtool -e -t game/kz7.tbs db/06 db/06\n",
             "$ sed -i 's/The elder is waiting for you\\./The village elder has been waiting for "
             "you since dawn./' db/06/00_00_0100.txt\n",
             "$ dlgtool -c -o -t game/kz7.tbs db/06/00_00_0100.txt db/06/00_00_0100.dlg\n",
             "$ dbtool -r -d db img/01/01_0000.db\n",
             "$ imgtool -r -d img game/kz7.img kz7-new.img\n",
             "$ imgtool -l . kz7-new.img\n",
         }) {
        const size_t found = r.out.find(cmd, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: " << cmd << r.out;
        at = found + cmd.size();
    }

    // The archives, read apart from the tools.
    const Bytes oldImg = testReadFile(work + "/game/kz7.img");
    const Bytes newImg = testReadFile(work + "/kz7-new.img");
    auto oldRead = imgRead(oldImg), newRead = imgRead(newImg);
    ASSERT_TRUE(oldRead && newRead);
    EXPECT_EQ(newRead->types, oldRead->types);
    ASSERT_EQ(newRead->files.size(), oldRead->files.size());
    for (size_t i = 0; i < oldRead->files.size(); ++i) {
        EXPECT_EQ(newRead->files[i].name, oldRead->files[i].name);
        if (oldRead->files[i].name != sampleGameParts::sceneDb) {
            EXPECT_EQ(newRead->files[i].data, oldRead->files[i].data) << oldRead->files[i].name;
        }
    }

    const ImgReadFile* oldDbFile = findFile(*oldRead, sampleGameParts::sceneDb);
    const ImgReadFile* newDbFile = findFile(*newRead, sampleGameParts::sceneDb);
    ASSERT_TRUE(oldDbFile && newDbFile);
    auto oldDb = dbRead(oldDbFile->data), newDb = dbRead(newDbFile->data);
    ASSERT_TRUE(oldDb && newDb);
    EXPECT_EQ(newDb->trailingWord, oldDb->trailingWord);
    ASSERT_EQ(newDb->files.size(), oldDb->files.size());
    for (size_t i = 0; i < oldDb->files.size(); ++i) {
        EXPECT_EQ(newDb->files[i].name, oldDb->files[i].name);
        if (oldDb->files[i].name != sampleGameParts::sceneDialog) {
            EXPECT_EQ(newDb->files[i].data, oldDb->files[i].data) << oldDb->files[i].name;
        }
    }

    // In the dialog file only dialog 1's text and its window sizes changed.
    auto oldDlg = dlgRead(findFile(*oldDb, sampleGameParts::sceneDialog)->data);
    auto newDlg = dlgRead(findFile(*newDb, sampleGameParts::sceneDialog)->data);
    ASSERT_TRUE(oldDlg && newDlg);
    ASSERT_FALSE(newDlg->battle);
    ASSERT_EQ(newDlg->records.size(), oldDlg->records.size());
    const auto expectedText =
        sampleEncode(std::string(newText) + "[n]His house is up the hill.[e]");
    ASSERT_TRUE(expectedText);
    for (size_t i = 0; i < oldDlg->records.size(); ++i) {
        const DlgRecord& o = oldDlg->records[i];
        const DlgRecord& n = newDlg->records[i];
        if (i == 3) {
            EXPECT_EQ(n.data, *expectedText);
            EXPECT_EQ(n.flags, o.flags);  // still two lines
        } else if (i == 2) {
            EXPECT_EQ(n.data, o.data);  // no names: the script stays
            const SampleMeasure m = sampleMeasure(*expectedText);
            EXPECT_NE(n.flags, o.flags);
            EXPECT_EQ(n.flags, m.sizeWord());
            EXPECT_GT(n.flags & 0xFFF, o.flags & 0xFFF);
            EXPECT_EQ(n.flags >> 12, 2);
        } else if (i + 1 == oldDlg->records.size()) {
            // The file's last record ends in the DB's zero padding, which
            // differs with the file's new length.
            auto trimmed = [](Bytes b) {
                while (!b.empty() && b.back() == 0)
                    b.pop_back();
                return b;
            };
            EXPECT_EQ(trimmed(n.data), trimmed(o.data));
            EXPECT_EQ(n.flags, o.flags);
        } else {
            EXPECT_EQ(n.data, o.data) << "record " << i;
            EXPECT_EQ(n.flags, o.flags) << "record " << i;
        }
    }

    // The text the road shows at its end is the new archive's.
    const std::string txt = testReadText(work + "/check/newdb/06/00_00_0100.txt");
    EXPECT_NE(txt.find(newText), std::string::npos);
    EXPECT_EQ(txt.find(oldText), std::string::npos);
}

TEST(DemoRoad, AFailedStepEndsWithTheFailureLine)
{
    if (!haveTools())
        GTEST_SKIP() << "the programs of the road are not built";
    // A dialog tool that converts nothing: the road must notice at once.
    ScratchDir scratch;
    const std::string bin = scratch / "bin";
    testMkdirs(bin);
    for (const char* t : {"samplegame", "imgtool", "dbtool"})
        std::filesystem::create_symlink(testToolPath(t), bin + "/" + t);
    testWriteText(bin + "/dlgtool", "#!/bin/sh\nexit 0\n");
    std::filesystem::permissions(bin + "/dlgtool", std::filesystem::perms::owner_all);

    RunResult r = testRunExe("bash", {roadScript, bin, scratch / "work"});
    EXPECT_EQ(r.exitCode, 1) << r.out;
    EXPECT_EQ(lastLine(r.out),
              "DEMO FAILED: dlgtool could not convert the dialog files of db/06 (exit status 0: no "
              "file handled)");
    EXPECT_EQ(r.out.find("$ dbtool -r"), std::string::npos) << "the road went on after the failure";

    // A second run empties the work directory of the first one, but never a
    // directory the road did not make.
    r = testRunExe("bash", {roadScript, bin, scratch / "work"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(lastLine(r.out).starts_with("DEMO FAILED: dlgtool could not convert")) << r.out;
    testMkdirs(scratch / "mine");
    testWriteText(scratch / "mine/notes.txt", "keep me");
    r = testRunExe("bash", {roadScript, bin, scratch / "mine"});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(lastLine(r.out), "DEMO FAILED: " + (scratch / "mine") +
                                   " is not empty and was not made by this script; name a new or "
                                   "empty directory");
    EXPECT_EQ(testReadText(scratch / "mine/notes.txt"), "keep me");

    r = testRunExe("bash", {roadScript, bin});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_EQ(r.err, "Usage: bash " + roadScript + " BIN_DIR WORK_DIR\n");
}

TEST(DemoRoad, BackgroundEditReachesTheNewArchiveWhereTilesHaveOneUser)
{
    if (!haveTools() || !testExists(testToolPath("bgtool")))
        GTEST_SKIP() << "the programs of the road are not built";
    ScratchDir scratch;
    const RunResult r = testRunExe(
        "bash", {std::string(KZ7_SOURCE_DIR) + "/demo/road_2_background.sh", KZ7_BIN_DIR, scratch / "work"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(lastLine(r.out).starts_with("DEMO PASSED: the edit is in kz7-new.img where tiles have "
                                            "one user, every other file is unchanged"))
        << r.out;
    // The shared tiles of the floor and the roof are refused on stdout.
    const std::string refused = "ERROR: db/0A/02_00_0300.0a : adding tiles not supported:0x2, trying "
                                "add from pos 16, 0, orgTileIndex : 0x1, tileUsages: 2\n";
    EXPECT_NE(r.out.find(refused), std::string::npos) << r.out;

    // A BIN_DIR that does not exist is refused.
    const RunResult bad = testRunExe(
        "bash", {std::string(KZ7_SOURCE_DIR) + "/demo/road_2_background.sh", scratch / "nobin", scratch / "w2"});
    EXPECT_NE(bad.exitCode, 0);
}

namespace {

TEST(DemoRoad, Kz7TakesTheGameThroughATranslation)
{
    if (!haveTools() || !testExists(testToolPath("kz7")))
        GTEST_SKIP() << "the programs of the road are not built";
    ScratchDir scratch;
    const RunResult r =
        testRunExe("bash", {std::string(KZ7_SOURCE_DIR) + "/demo/road_5_kz7.sh", KZ7_BIN_DIR, scratch / "work"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(lastLine(r.out).starts_with(
        "DEMO PASSED: kz7 took the game through a translation; the new archive holds exactly the edits"))
        << r.out;
    // The check finds both planted faults before they are fixed.
    EXPECT_NE(r.out.find("files/01/01_0002/06/00_00_0100.txt:7:6: unknown character \"\xC3\xB6\"; the table "
                         "kz7.tbs can't convert it: write it another way or add it to the table\n"),
              std::string::npos)
        << r.out;
}

}  // namespace

// The road of a movie: both movies are made and checked frame by frame.
TEST(DemoRoad, PicturesBecomeMoviesThatFfmpegReadsFrameExact)
{
    if (!testExists(testToolPath("samplegame")) || !testExists(testToolPath("picreel")))
        GTEST_SKIP() << "samplegame and picreel are not built";
    ScratchDir scratch;
    const RunResult r = testRunExe(
        "bash", {std::string(KZ7_SOURCE_DIR) + "/demo/road_4_pictures.sh", KZ7_BIN_DIR, scratch / "work"});
    ASSERT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_TRUE(lastLine(r.out).starts_with(
        "DEMO PASSED: 30 pictures made an uncompressed and an FFV1 movie, both read frame-exact by "
        "ffmpeg ("))
        << r.out;
    EXPECT_TRUE(testExists(scratch / "work/movie-dib.avi"));
}
