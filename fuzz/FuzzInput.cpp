#include "fuzz/FuzzInput.h"

#include <cstdio>
#include <cstdlib>

namespace fuzz {

void require(bool ok, const char *what)
{
    if (ok)
        return;
    std::fprintf(stderr, "property broken: %s\n", what);
    std::abort();
}

} // namespace fuzz
