// Messages of kz7 (standard error unless said otherwise). Each names the
// file and says what to do; the modules it calls print their own lines too.
#pragma once

inline constexpr const char* kz7MsgUsage =
    "Usage: kz7 COMMAND [options] ARGS\n"
    "One command for a whole translation of the game:\n"
    "  kz7 unpack [--overwrite] GAME WORK   unpack kz7.img of GAME into WORK (texts, BMP pictures)\n"
    "  kz7 status WORK                      list the files changed or missing since unpacking\n"
    "  kz7 check [--screen-width N] [--max-lines N] [--json] WORK\n"
    "                                       check every dialog text for fit and unknown characters\n"
    "  kz7 pack WORK OUT                    rebuild what changed into OUT/kz7.img and check it\n"
    "  kz7 verify GAME                      unpack and pack GAME with no change: same bytes?\n"
    "Run kz7 COMMAND --help for the details of one command. Exit status 0 on success, 1 otherwise.\n";
inline constexpr const char* kz7MsgUsageUnpack =
    "Usage: kz7 unpack [--overwrite] GAME WORK\n"
    "Unpacks GAME/kz7.img (with the tables GAME/kz7.tbs and GAME/kz7.tbl) into WORK:\n"
    "  WORK/files/NN/...            the files of the IMG archive\n"
    "  WORK/files/NN/NAME/TT/...    the chunk files of each DB archive NN/NAME.db\n"
    "  .txt (text only) and .dls (script) beside each dialog file .dlg: edit the .txt\n"
    "  NAME_III_TTII[_4bit].bmp beside each tile info file .0a: edit the pictures\n"
    "  WORK/kz7.tbs, WORK/kz7.tbl   the tables used for the texts\n"
    "  WORK/kz7-project.json        where each file came from and its FNV-1a 64 hash\n"
    "WORK must be missing or empty; --overwrite unpacks again over an earlier unpack\n"
    "when no file of it was changed. GAME is only read.\n";
inline constexpr const char* kz7MsgUsageStatus =
    "Usage: kz7 status WORK\n"
    "Lists the files of WORK changed since unpacking (by hash) and the missing ones,\n"
    "then a total line. Exit status 0, or 1 when the project can't be read.\n";
inline constexpr const char* kz7MsgUsagePack =
    "Usage: kz7 pack WORK OUT\n"
    "Rebuilds what changed since unpacking: dialogs from their .txt and .dls with\n"
    "recomputed window sizes, backgrounds from their pictures, each DB archive\n"
    "in place when every changed file fits its old space and rebuilt otherwise, then\n"
    "the IMG archive from GAME's. Every changed file is extracted again from the new\n"
    "archive and compared with what was packed; then OUT/kz7.img is written (never\n"
    "GAME's; nothing is written over OUT/kz7.img when something fails).\n";
inline constexpr const char* kz7MsgUsageVerify =
    "Usage: kz7 verify GAME\n"
    "Unpacks GAME into a scratch folder and packs it with no change; the result must\n"
    "equal GAME/kz7.img byte for byte. Run it once on your game before translating.\n";
inline constexpr const char* kz7MsgUsageCheck =
    "Usage: kz7 check [--screen-width N] [--max-lines N] [--json] WORK\n"
    "Checks every dialog text of WORK: characters and codes the table kz7.tbs can't\n"
    "convert, damaged separators, a missing end code [e], and each window's width\n"
    "and line count as the lengths table kz7.tbl measures them. Limits: the width is\n"
    "at most the screen width (default 320 pixels, the game's screen) and 255 (the\n"
    "width byte of the window size word); the lines are at most --max-lines\n"
    "(default 15: 16 pixels a line in the height byte of the size word). Verdicts:\n"
    "overflow (past a limit), crowded (90%% of a limit or more), fine; the original\n"
    "text's verdict is shown beside. --json prints the findings as JSON.\n"
    "Exit status 0 when nothing is wrong, 1 otherwise.\n";

inline constexpr const char* kz7MsgUnknownCommand = "ERROR: unknown command \"%s\"; run kz7 --help\n";
inline constexpr const char* kz7MsgArguments = "ERROR: wrong arguments for kz7 %s; run kz7 %s --help\n";
inline constexpr const char* kz7MsgGameFile =
    "ERROR: %s is missing; GAME must hold kz7.img, kz7.tbs and kz7.tbl\n";
inline constexpr const char* kz7MsgWorkNotEmpty =
    "ERROR: %s is not empty; give a new or empty folder, or --overwrite to unpack again over a project\n";
inline constexpr const char* kz7MsgNoProject =
    "ERROR: %s is not a kz7 project (%s); unpack the game into it first\n";
inline constexpr const char* kz7MsgTranslatorChanged =
    "ERROR: %s was changed since unpacking; it is kept: pack it or move it away before unpacking again\n";
inline constexpr const char* kz7MsgMkdir = "ERROR: can't create the folder %s: %s\n";
inline constexpr const char* kz7MsgStep = "ERROR: %s failed for %s; see the lines above\n";
inline constexpr const char* kz7MsgHash = "ERROR: can't read %s to hash it\n";
inline constexpr const char* kz7MsgGameChanged =
    "ERROR: %s is not the archive this project was unpacked from (hash differs); unpack it again\n";
inline constexpr const char* kz7MsgOutIsGame =
    "ERROR: %s is GAME's own archive; give another OUT folder\n";
inline constexpr const char* kz7MsgBothChanged =
    "ERROR: %s and %s were both changed; keep the edit in one of them and restore the other\n";
inline constexpr const char* kz7MsgVerifyPacked =
    "ERROR: %s in the new archive differs from what was packed; the archive was not written\n";
inline constexpr const char* kz7MsgPackFailed = "ERROR: nothing was written to %s\n";
inline constexpr const char* kz7MsgScratch = "ERROR: can't create a scratch folder: %s\n";
inline constexpr const char* kz7MsgVerifyDiffers =
    "ERROR: %s: unpacked and packed again it differs from the original at byte %lld; kz7 can't translate this game safely\n";

// Standard output.
inline constexpr const char* kz7MsgUnpacked =
    "unpacked %s into %s: %zu files, %zu dialog texts, %zu pictures\n";
inline constexpr const char* kz7MsgStatusLine = "%s: %s\n";
inline constexpr const char* kz7MsgStatusTotal = "%zu unchanged, %zu changed, %zu missing, %zu new\n";
inline constexpr const char* kz7MsgPackedFile = "%s: %s\n";
inline constexpr const char* kz7MsgPackedTotal = "packed %zu changed files into %s (%lld bytes)\n";
inline constexpr const char* kz7MsgVerifyOk = "verified %s: unpacked and packed again it is the same, %lld bytes\n";
