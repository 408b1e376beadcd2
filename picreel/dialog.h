// The windowed front end on Qt 6 Widgets: the main dialog "zqPicreel" that
// collects the settings of a creation run, the progress window "Avi Creation
// Progress" with the frame preview and Abort, the compressor choice and the
// error box. The dialog holds no creation logic: Create fills the settings
// and calls createAvi.
#pragma once

#include <functional>
#include <memory>
#include <string>

#include "creation.h"

class QDialog;
class QLineEdit;
class QListWidget;
class QRadioButton;
class QPushButton;
class QProgressBar;
class QLabel;
class QIcon;

// The progress window of one run.
struct ProgressWindow {
    QDialog* window = nullptr;
    QPushButton* abort = nullptr;
    QProgressBar* bar = nullptr;
    QLabel* preview = nullptr;  // the frame at 1:1 inside a sunken edge
};

struct MainDialog {
    QDialog* window = nullptr;
    QLineEdit* directory = nullptr;
    QPushButton* browseDirectory = nullptr;
    QLineEdit* inputName = nullptr;
    QListWidget* files = nullptr;
    QRadioButton* bmp = nullptr;
    QRadioButton* tga = nullptr;
    QLineEdit* wavFile = nullptr;
    QPushButton* chooseWav = nullptr;
    QPushButton* play = nullptr;
    QLineEdit* aviFile = nullptr;
    QPushButton* chooseAvi = nullptr;
    QLineEdit* frameRate = nullptr;
    QLineEdit* keyRate = nullptr;
    QPushButton* create = nullptr;
    QPushButton* close = nullptr;

    CreationSettings settings;        // those of the last run
    ProgressWindow* progress = nullptr;  // while a run goes on

    // What a run shows and asks; the tests put their own in place.
    std::function<void(const char* message)> showError;
    std::function<bool(AviChoice& choice, const PictureBlock& first)> chooseCompressor;
};

// Builds the main dialog with its initial values (the current directory,
// "out.avi", BMP, frame rate 15, key rate 1, the file list). The record
// owns the window.
std::unique_ptr<MainDialog> dialogCreate();

// Fills the file list: the names matching the input name + "*.bmp" (or
// "*.tga") in the current directory, in frame order.
void refreshFileList(MainDialog& d);

// Create: the settings from the boxes, the progress window, the run.
void dialogCreateMovie(MainDialog& d);

// The error box "zqPicreel Error" owned by the dialog: "Error : " + message.
void showError(QDialog* owner, const char* message);

// The compressor choice: the uncompressed entry first, then the
// compressors, with quality and key frame interval. False on Cancel.
bool dialogChooseCompressor(QDialog* owner, AviChoice& choice);

// The program's icon, drawn at 32 x 32 and 16 x 16.
QIcon picreelIcon();

// The program entry without -b: shows the dialog until Close; its result.
int dialogRun(int argc, char** argv);
