#include "support/TempDir.h"

#include <cstdlib>
#include <stdexcept>

namespace vidrune::test {

std::string TempDir::MakeTemp(std::string pattern) {
    if (mkdtemp(pattern.data()) == nullptr)
        throw std::runtime_error("cannot create a temporary folder");
    return pattern;
}

} // namespace vidrune::test
