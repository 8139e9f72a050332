#pragma once

#include <functional>

namespace custodia::test {

// Runs the change in a child process that is killed (SIGKILL) just before its n-th write, length
// change or journal removal, as a program killed at that step stops; n = 0 lets it finish. Returns
// the writes the child made when it finished, or -1 when it was killed.
int RunKilledAtWrite(const std::function<void()>& change, int killAt);

} // namespace custodia::test
