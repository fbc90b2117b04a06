#include "support/ThreadRefusal.h"

namespace vidrune::test {

// Windows gives every thread the stack its executable names; nothing here refuses one.
ThreadRefusal::ThreadRefusal() = default;
ThreadRefusal::~ThreadRefusal() = default;

} // namespace vidrune::test
