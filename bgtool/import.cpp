#include "import.h"

bool backgroundImport(const std::string&, const std::string&, const std::string&,
                      const std::string&)
{
    return true;
}
