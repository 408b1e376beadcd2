// A scratch scene for imgtool runs: an archive built from a fixture and an
// empty DIR beside it.
#pragma once

#include "imgtool/fixtures.h"
#include "support/testsupport.h"

#include <gtest/gtest.h>

struct ImgScene {
    ScratchDir root;
    std::string dir = root / "out";
    std::string img = root / "kz7.img";
    ImgFixArchive arc = imgFixSample();
    ImgFixLayout layout;

    ImgScene()
    {
        testMkdirs(dir);
        rebuild();
    }
    void rebuild()
    {
        layout = imgFixBuild(arc);
        write();
    }
    void write() const { testWriteFile(img, layout.bytes); }
    const std::vector<uint8_t>& data(size_t i, size_t j) const { return arc.dirs[i].files[j].data; }
};
