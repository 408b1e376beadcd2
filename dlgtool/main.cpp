// dlgtool: dialog files to text and back, with window size recomputation.
#include "cli.h"

#include "platform.h"

#include <string>
#include <vector>

int main(int argc, char** argv)
{
    if (argc < 1) {
        dlgUsage("dlgtool");
        return 0;
    }
    const std::string program = platformBaseName(argv[0]);
    const std::vector<std::string> args(argv + 1, argv + argc);
    const DlgOptions options = dlgParseArgs(args, program);
    return platformExitStatus(dlgRun(options));
}
