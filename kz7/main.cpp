// kz7: the whole road of a translation in one program.
#include "check.h"
#include "kz7messages.h"
#include "project.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

bool isHelp(const std::string& a)
{
    return a == "--help" || a == "-h";
}

int usageOf(const std::string& cmd)
{
    const char* text = cmd == "unpack" ? kz7MsgUsageUnpack
                       : cmd == "status" ? kz7MsgUsageStatus
                       : cmd == "pack"   ? kz7MsgUsagePack
                       : cmd == "verify" ? kz7MsgUsageVerify
                       : cmd == "check"  ? kz7MsgUsageCheck
                                         : kz7MsgUsage;
    std::fputs(text, stdout);
    return 0;
}

int wrong(const std::string& cmd)
{
    std::fprintf(stderr, kz7MsgArguments, cmd.c_str(), cmd.c_str());
    return 1;
}

}  // namespace

int main(int argc, char** argv)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        std::fputs(kz7MsgUsage, stderr);
        return 1;
    }
    const std::string cmd = args[0];
    if (isHelp(cmd))
        return usageOf("");
    if (cmd != "unpack" && cmd != "status" && cmd != "pack" && cmd != "verify" && cmd != "check") {
        std::fprintf(stderr, kz7MsgUnknownCommand, cmd.c_str());
        return 1;
    }
    std::vector<std::string> pos;
    Kz7UnpackOptions unpack;
    CheckOptions check;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (isHelp(a))
            return usageOf(cmd);
        if (cmd == "unpack" && a == "--overwrite") {
            unpack.overwrite = true;
        } else if (cmd == "check" && a == "--json") {
            check.json = true;
        } else if (cmd == "check" && (a == "--screen-width" || a == "--max-lines")) {
            char* end = nullptr;
            const long long n = i + 1 < args.size() ? std::strtoll(args[i + 1].c_str(), &end, 0) : 0;
            if (!end || *end != '\0' || n <= 0)
                return wrong(cmd);
            (a == "--screen-width" ? check.screenWidth : check.maxLines) = n;
            ++i;
        } else if (a.size() > 1 && a[0] == '-') {
            return wrong(cmd);
        } else {
            pos.push_back(a);
        }
    }
    if (cmd == "unpack")
        return pos.size() == 2 ? kz7Unpack(pos[0], pos[1], unpack) : wrong(cmd);
    if (cmd == "status")
        return pos.size() == 1 ? kz7Status(pos[0]) : wrong(cmd);
    if (cmd == "pack")
        return pos.size() == 2 ? kz7Pack(pos[0], pos[1]) : wrong(cmd);
    if (cmd == "check")
        return pos.size() == 1 ? kz7Check(pos[0], check) : wrong(cmd);
    return pos.size() == 1 ? kz7Verify(pos[0]) : wrong(cmd);
}
