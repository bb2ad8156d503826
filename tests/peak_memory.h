// How far the memory the process holds rises while a piece of work runs,
// for the tests that check or print what a large input costs.
#pragma once

#include <functional>

// The rise above the level at the start while `work` runs, in MB; -1 where
// the system does not tell.
long PeakMemoryAddedMB(const std::function<void()>& work);
