#include "support/ThreadRefusal.h"

namespace vidrune::test {

// Windows gives every thread the stack its executable names; nothing here refuses one.
struct ThreadRefusal::Saved {};

ThreadRefusal::ThreadRefusal() = default;
ThreadRefusal::~ThreadRefusal() = default;

} // namespace vidrune::test
