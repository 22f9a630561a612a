// The once-per-process start-up: settings, the console queue, the version
// line and the metadata models. Safe to call any number of times.
#pragma once

namespace kestrel {

// Performs start-up on the first call; later calls return at once. Always true.
bool initializeRuntime();

}  // namespace kestrel
