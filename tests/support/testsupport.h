// Helpers for the tests: running a program of the build with arguments in a
// directory and capturing its streams and exit code, scratch directories
// that clean up after themselves, and whole-file reads and writes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct RunResult {
    int exitCode = -1;  // -1 when the program did not exit normally
    std::string out;
    std::string err;
};

// Path of a program of this build (build/bin/<name>).
std::string testToolPath(const std::string& name);

// Path of a file of the shared reference corpus of real files made by other
// programs. The environment variable KZ7_CORPUS_DIR, when set, names the
// corpus folder in place of the one beside the checkout.
std::string testCorpusPath(const std::string& relative);

// True when the corpus folder exists. A clone on its own has none.
bool testCorpusAvailable();

// Skips the current test, with the reason shown, when the corpus is absent.
#define KZ7_REQUIRE_CORPUS()                                                          \
    do {                                                                              \
        if (!testCorpusAvailable())                                                   \
            GTEST_SKIP() << "reference corpus not found at " << testCorpusPath("");   \
    } while (0)

// Runs a program of this build; `cwd` "" means the current directory.
RunResult testRun(const std::string& tool, const std::vector<std::string>& args,
                  const std::string& cwd = "", const std::string& input = "");

// Runs any executable found by path (or on PATH when it has no '/').
RunResult testRunExe(const std::string& exe, const std::vector<std::string>& args,
                     const std::string& cwd = "", const std::string& input = "");

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
struct ScratchDir {
    std::string path;  // no trailing '/'
    ScratchDir();
    ~ScratchDir();
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& name) const { return path + "/" + name; }
};

std::vector<uint8_t> testReadFile(const std::string& path);
std::string testReadText(const std::string& path);
void testWriteFile(const std::string& path, const std::vector<uint8_t>& bytes);
void testWriteText(const std::string& path, const std::string& text);
bool testExists(const std::string& path);
void testMkdirs(const std::string& path);

// Names in a directory (files and directories), sorted.
std::vector<std::string> testListDir(const std::string& path);

// Splits text into lines without their '\n'.
std::vector<std::string> testLines(const std::string& text);
