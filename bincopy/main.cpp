#include "bincopy.h"

int main(int argc, char** argv)
{
    return bincopyRun(std::vector<std::string>(argv, argv + argc));
}
