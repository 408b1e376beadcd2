// The examples of README.md run as written. Every fenced block with the info
// string "console" is an example: its lines that begin with "$ " are shell
// commands, run in order in one scratch folder where `samplegame game` has
// just been run, with the programs of this build first on PATH; the other
// lines are the exact combined output of the command above them. Blocks
// continue in the same folder, in the order of the README.
#include "support/testsupport.h"

#include <gtest/gtest.h>

namespace {

struct ReadmeStep {
    size_t line = 0;  // of the command in README.md, from 1
    std::string command;
    std::string output;
};

// The steps of every console block, in order. Lines of a block before its
// first command are reported: they would be output of nothing.
std::vector<ReadmeStep> readmeSteps(const std::string& text, std::vector<size_t>& stray)
{
    std::vector<ReadmeStep> steps;
    bool inConsole = false, inOther = false;
    bool blockHasStep = false;
    size_t number = 0;
    for (const std::string& line : testLines(text)) {
        ++number;
        if (line.starts_with("```")) {
            if (inConsole || inOther) {
                inConsole = inOther = false;
            } else {
                inConsole = line == "```console";
                inOther = !inConsole;
                blockHasStep = false;
            }
            continue;
        }
        if (!inConsole)
            continue;
        if (line.starts_with("$ ")) {
            steps.push_back({number, line.substr(2), ""});
            blockHasStep = true;
        } else if (!blockHasStep) {
            stray.push_back(number);
        } else {
            steps.back().output += line + "\n";
        }
    }
    return steps;
}

TEST(Readme, EveryConsoleExampleRunsAsShown)
{
    const std::string readme = testReadText(std::string(KZ7_SOURCE_DIR) + "/README.md");
    std::vector<size_t> stray;
    const std::vector<ReadmeStep> steps = readmeSteps(readme, stray);
    ASSERT_FALSE(steps.empty()) << "README.md has no ```console example";
    EXPECT_TRUE(stray.empty()) << "console block line " << stray.front()
                               << " comes before any command";

    ScratchDir dir;
    const RunResult game = testRun("samplegame", {"game"}, dir.path);
    ASSERT_EQ(game.exitCode, 0) << game.err;
    // One shell per command: the folder is what carries over. Byte order
    // for sorting and messages, both streams into one, as a terminal shows.
    const std::string preamble = "export PATH='" + testToolPath("") + "':\"$PATH\" LC_ALL=C; exec 2>&1; ";
    for (const ReadmeStep& step : steps) {
        const RunResult r = testRunExe("bash", {"-c", preamble + step.command}, dir.path);
        EXPECT_EQ(r.out, step.output) << "README.md line " << step.line << ": $ " << step.command;
    }
}

}  // namespace
