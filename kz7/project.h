// The whole-game road of a translation: unpack the game into a project
// folder, report what changed, pack the changes back into a new archive
// and check it, verify that the game survives the road unchanged.
#pragma once

#include <string>

struct Kz7UnpackOptions {
    bool overwrite = false;
    bool quiet = false;  // no summary line (verify's own unpack)
};

// Each returns the exit status: 0 on success, 1 on any failure.
int kz7Unpack(const std::string& game, const std::string& work, const Kz7UnpackOptions& o);
int kz7Status(const std::string& work);
int kz7Pack(const std::string& work, const std::string& out, bool quiet = false);
int kz7Verify(const std::string& game);

// Shared by the commands: a folder path with its trailing '/'.
std::string kz7Dir(const std::string& path);
