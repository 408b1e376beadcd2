// The dialog on Qt's offscreen platform: initial values, the file list, the
// digits-only boxes, Create with a preselected compressor (the movie checked
// with ffprobe), the error box, Abort, and the real program under Xvfb.
#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include "dialog.h"
#include "fixtures.h"
#include "platform.h"
#include "support/testsupport.h"

namespace {

// A scratch folder made the current directory, as the dialog works in it.
struct DialogFixture : ::testing::Test {
    ScratchDir dir;
    std::string before = platformCurrentDir();
    std::vector<std::string> errors;
    std::unique_ptr<MainDialog> d;
    void SetUp() override { ASSERT_TRUE(platformSetCurrentDir(dir.path)); }
    void TearDown() override
    {
        if (d)
            delete d->window;
        platformSetCurrentDir(before);
    }
    void open()
    {
        d = dialogCreate();
        d->showError = [this](const char* m) { errors.emplace_back(m); };
        d->window->show();
    }
    std::vector<std::string> listed() const
    {
        std::vector<std::string> out;
        for (int i = 0; i < d->files->count(); ++i)
            out.push_back(d->files->item(i)->text().toStdString());
        return out;
    }
    void series(const std::string& prefix, int count, int width = 32, int height = 24)
    {
        BmpFixture s;
        s.width = width;
        s.height = height;
        for (int i = 0; i < count; ++i) {
            s.seed = static_cast<uint32_t>(i);
            char name[64];
            std::snprintf(name, sizeof name, "%s%03d.bmp", prefix.c_str(), i);
            testWriteFile(dir / name, bmpBuild(s));
        }
    }
};

std::string probe(const std::string& movie, const std::string& streams, const std::string& entry)
{
    const RunResult r = testRunExe("ffprobe", {"-v", "error", "-count_packets", "-select_streams",
                                               streams, "-show_entries", "stream=" + entry, "-of",
                                               "csv=p=0", movie});
    return r.out.empty() ? "" : r.out.substr(0, r.out.find('\n'));
}

TEST_F(DialogFixture, OpensWithItsInitialValues)
{
    series("shot", 2);
    testWriteText(dir / "other.tga", "x");
    open();
    EXPECT_EQ(d->window->windowTitle().toStdString(), "zqPicreel");
    EXPECT_EQ(d->directory->text().toStdString(), platformCurrentDir());
    EXPECT_EQ(d->aviFile->text().toStdString(), "out.avi");
    EXPECT_TRUE(d->bmp->isChecked());
    EXPECT_FALSE(d->tga->isChecked());
    EXPECT_EQ(d->frameRate->text().toStdString(), "15");
    EXPECT_EQ(d->keyRate->text().toStdString(), "1");
    EXPECT_EQ(d->inputName->text().toStdString(), "");
    EXPECT_EQ(d->wavFile->text().toStdString(), "");
    EXPECT_EQ(listed(), (std::vector<std::string>{"shot000.bmp", "shot001.bmp"}));
    EXPECT_TRUE(d->create->isDefault());
    EXPECT_FALSE(d->window->windowIcon().isNull());
}

TEST_F(DialogFixture, FileListFollowsTheNameAndTheKindAndTheDirectory)
{
    for (const char* n : {"img10.bmp", "img2.bmp", "IMG1.bmp", "other.bmp", "img1.tga"})
        testWriteText(dir / n, "x");
    testMkdirs(dir / "sub");
    testWriteText(dir / "sub/img5.bmp", "x");
    open();
    QTest::keyClicks(d->inputName, "img");
    EXPECT_EQ(listed(), (std::vector<std::string>{"IMG1.bmp", "img10.bmp", "img2.bmp"}));
    QTest::mouseClick(d->tga, Qt::LeftButton);
    EXPECT_TRUE(d->tga->isChecked());
    EXPECT_EQ(listed(), (std::vector<std::string>{"img1.tga"}));
    QTest::mouseClick(d->bmp, Qt::LeftButton);
    QTest::keyClick(d->inputName, Qt::Key_Backspace);
    EXPECT_EQ(listed(), (std::vector<std::string>{"IMG1.bmp", "img10.bmp", "img2.bmp"}));

    // A directory typed into the box becomes the current one when the box
    // is left; one that does not exist puts the current one back.
    d->directory->setText(QString::fromStdString(dir / "sub"));
    emit d->directory->editingFinished();
    EXPECT_EQ(platformCurrentDir(), dir / "sub");
    EXPECT_EQ(listed(), (std::vector<std::string>{"img5.bmp"}));
    d->directory->setText(QString::fromStdString(dir / "nowhere"));
    emit d->directory->editingFinished();
    EXPECT_EQ(d->directory->text().toStdString(), dir / "sub");

    // The play button with an empty WAV box does nothing.
    QTest::mouseClick(d->play, Qt::LeftButton);
}

TEST_F(DialogFixture, RateBoxesTakeDigitsOnlyAndAnEmptyKeyRateIsZero)
{
    open();
    d->frameRate->clear();
    QTest::keyClicks(d->frameRate, "1a2-5");
    EXPECT_EQ(d->frameRate->text().toStdString(), "125");
    d->keyRate->clear();
    d->inputName->setText("none");
    dialogCreateMovie(*d);
    EXPECT_EQ(d->settings.frameRate, 125u);
    EXPECT_EQ(d->settings.keyRate, 0u);
    EXPECT_EQ(errors, (std::vector<std::string>{"Unable to find .bmp files.\n"}));
    EXPECT_FALSE(testExists(dir / "out.avi"));
}

TEST_F(DialogFixture, CreateFillsTheSettingsAndMakesTheMovie)
{
    series("shot", 5);
    testWriteFile(dir / "music.wav", wavBuild(11025, 1, 3000));
    open();
    QTest::keyClicks(d->inputName, "shot");
    d->aviFile->setText("movie.tmp");
    d->wavFile->setText("music.wav");
    d->frameRate->setText("10");
    d->keyRate->setText("2");
    AviChoice seen;
    d->chooseCompressor = [&](AviChoice& choice, const PictureBlock& first) {
        seen = choice;
        EXPECT_EQ(first.header.biWidth, 32);
        choice.compressor = "ffv1";
        return true;
    };
    QTest::mouseClick(d->create, Qt::LeftButton);
    EXPECT_EQ(errors, std::vector<std::string>{});
    const CreationSettings& s = d->settings;
    EXPECT_EQ(s.inputPrefix, "shot");
    EXPECT_EQ(s.outputBase, "movie");
    EXPECT_FALSE(s.useTga);
    EXPECT_EQ(s.frameRate, 10u);
    EXPECT_EQ(s.keyRate, 2u);
    EXPECT_EQ(s.quality, -1);
    EXPECT_EQ(s.compressor, "DIB ");
    EXPECT_TRUE(s.chooseCompressor);
    EXPECT_EQ(s.soundtrack, "music.wav");
    EXPECT_TRUE(s.showFrames);
    EXPECT_FALSE(s.abortRequested);
    EXPECT_EQ(seen.compressor, "DIB ");
    EXPECT_EQ(seen.keyRate, 2);
    EXPECT_EQ(probe(dir / "movie.avi", "v", "codec_name,r_frame_rate,nb_read_packets"),
              "ffv1,10/1,5");
    EXPECT_EQ(probe(dir / "movie.avi", "a", "codec_name"), "pcm_s16le");
    EXPECT_TRUE(d->create->isEnabled());
    EXPECT_EQ(d->progress, nullptr);

    // Cancel in the compressor choice: no movie is replaced.
    testWriteText(dir / "movie.avi", "older movie");
    d->chooseCompressor = [](AviChoice&, const PictureBlock&) { return false; };
    QTest::mouseClick(d->create, Qt::LeftButton);
    EXPECT_EQ(testReadText(dir / "movie.avi"), "older movie");
}

TEST_F(DialogFixture, TheErrorBoxShowsTheMessage)
{
    open();
    d->showError = [this](const char* m) { showError(d->window, m); };
    d->inputName->setText("missing");
    std::string title, textShown;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        title = box->windowTitle().toStdString();
        textShown = box->text().toStdString();
        icon = box->icon();
        box->accept();
    });
    dialogCreateMovie(*d);
    EXPECT_EQ(title, "zqPicreel Error");
    EXPECT_EQ(textShown, "Error : Unable to find .bmp files.\n");
    EXPECT_EQ(icon, QMessageBox::Warning);
}

TEST_F(DialogFixture, AbortEndsTheRunAfterTheCurrentFrame)
{
    series("big", 40, 320, 240);
    testWriteFile(dir / "music.wav", wavBuild(11025, 1, 3000));
    open();
    d->inputName->setText("big");
    d->wavFile->setText("music.wav");
    d->chooseCompressor = [](AviChoice&, const PictureBlock&) { return true; };
    int abortedAt = -1;
    QSize preview;
    bool mainDisabled = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        if (!d->progress || abortedAt >= 0 || d->progress->bar->value() < 3)
            return;
        abortedAt = d->progress->bar->value();
        preview = d->progress->preview->size();
        mainDisabled = !d->create->isEnabled() && !d->inputName->isEnabled();
        EXPECT_EQ(d->progress->window->windowTitle().toStdString(), "Avi Creation Progress");
        EXPECT_EQ(d->progress->bar->maximum(), 39);
        QTest::mouseClick(d->progress->abort, Qt::LeftButton);
    });
    poll.start(0);
    dialogCreateMovie(*d);
    ASSERT_GE(abortedAt, 3);
    EXPECT_EQ(preview, QSize(324, 244));
    EXPECT_TRUE(mainDisabled);
    EXPECT_TRUE(d->settings.abortRequested);
    // The frame being written when Abort came is the last one; no sound.
    EXPECT_EQ(probe(dir / "out.avi", "v", "nb_read_packets"), std::to_string(abortedAt + 1));
    EXPECT_EQ(probe(dir / "out.avi", "a", "codec_name"), "");
}

// The real program under Xvfb: its window appears and closes on Escape.
TEST(PicreelWindow, StartsUnderXvfbAndCloses)
{
    if (testRunExe("sh", {"-c", "command -v xvfb-run && command -v xdotool"}).exitCode != 0)
        GTEST_SKIP() << "xvfb-run and xdotool are needed (Debian packages xvfb, xdotool)";
    ScratchDir dir;
    // A sanitizer build reports what the desktop's libraries keep at exit.
    testWriteText(dir / "lsan.supp", "leak:libdbus-1.so\nleak:libfontconfig.so\n");
    const std::string script =
        "LSAN_OPTIONS=suppressions=$PWD/lsan.supp env -u QT_QPA_PLATFORM \"$0\" & pid=$!; "
        "id=$(timeout 30 xdotool search --sync --onlyvisible --name '^zqPicreel$' | head -1); "
        "[ -n \"$id\" ] || { kill $pid; echo no window; exit 3; }; "
        "echo window; xdotool windowfocus --sync \"$id\" key Escape; "
        "timeout 30 tail --pid=$pid -f /dev/null; wait $pid; echo exit $?";
    const RunResult r = testRunExe("timeout", {"90", "xvfb-run", "-a", "sh", "-c", script,
                                               testToolPath("picreel")},
                                   dir.path);
    EXPECT_EQ(r.exitCode, 0) << r.out << r.err;
    EXPECT_EQ(r.out, "window\nexit 0\n") << r.err;
}

}  // namespace

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // Every dialog test runs on the offscreen platform: no display needed.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
