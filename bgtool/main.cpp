// bgtool: lists kz7 background tile info files, extracts backgrounds to BMP
// pictures and imports edited pictures back into the TIMs.
#include "bgcli.h"

int main(int argc, char** argv)
{
    return bgRun(argc, argv);
}
