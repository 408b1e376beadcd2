// imgtool: lists, extracts, imports into and recreates KZ7 IMG archives.
#include "img.h"
#include "imgcli.h"
#include "messages.h"
#include "platform.h"

#include <cstdio>

int main(int argc, char** argv)
{
    ImgCommand cmd = imgReadCommandLine(argc, argv);
    if (!cmd.run)
        return 0;
    if (!platformIsDir(cmd.dir)) {
        std::fprintf(stderr, imgMsgDirMustExist, cmd.dir.c_str());
        return 0;
    }
    std::string prefix = cmd.dir;
    if (prefix.back() != platformSeparator)
        prefix += platformSeparator;
    if (!platformIsRegular(cmd.file)) {
        std::fprintf(stderr, imgMsgFileMustExist, cmd.file.c_str());
        return 0;
    }
    std::unique_ptr<ImgArchive> archive = imgOpen(cmd.file);
    if (!archive)
        return 0;
    argListLower(cmd.list.get());
    long long result = 0;
    switch (cmd.mode) {
    case imgModeExtract:
        result = imgExtractAll(prefix, *archive, cmd.list.get());
        break;
    case imgModeNothing:
        break;
    case imgModeImport:
        result = imgImport(prefix, *archive, cmd.list.get());
        break;
    case imgModeList:
        imgList(*archive);
        result = 1;
        break;
    default:
        std::fprintf(stderr, imgMsgUnexpectedMode, cmd.mode);
    }
    imgClose(std::move(archive));
    return platformExitStatus(result);
}
