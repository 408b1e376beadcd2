// The command-line arguments after the fixed ones (DIR and the archive),
// shared by the archive tools.
#pragma once

#include <memory>
#include <string>
#include <vector>

struct ArgList {
    std::vector<std::string> items;
};

// A list of the `count` texts at `array`; null when there are none.
std::unique_ptr<ArgList> argListNew(char* const* array, int count);

// Arguments keep the case the user typed on a case-sensitive file system, so
// this changes nothing; it stays so the archive tools read as one family.
void argListLower(ArgList* list);
