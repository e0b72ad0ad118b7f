// Independent pieces of work run on as many threads as the machine has cores (at most
// one per task), taken in their order: the tests of a screening run, the sheets of a
// workpaper. The first exception a task raises is raised again once all have stopped.
#pragma once

#include <functional>
#include <vector>

namespace qoru::screening {

void RunTasks(const std::vector<std::function<void()>>& tasks);

}  // namespace qoru::screening
