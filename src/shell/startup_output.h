// The start-up messages of the metadata models (objects, keyword mapping): written
// straight to standard output in the start-up colour, not through the queue.
// A notice says how loading goes and is hidden by "-q"; an error always shows.
#pragma once

#include <string>

namespace kestrel {

void startupNotice(const std::u16string& text);
void startupError(const std::u16string& text);

}  // namespace kestrel
