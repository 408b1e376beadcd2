#include "arglist.h"

std::unique_ptr<ArgList> argListNew(char* const* array, int count)
{
    if (!array || count <= 0)
        return nullptr;
    auto list = std::make_unique<ArgList>();
    list->items.assign(array, array + count);
    return list;
}

void argListLower(ArgList*) {}
