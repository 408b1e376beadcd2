// dfiletool: header-driven split, join and import of data files.
#include "dfiletool.h"

int main(int argc, char** argv)
{
    return dfiletoolRun(argc, argv);
}
