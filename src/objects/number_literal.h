// The number factory for literal texts (and string "toNumber"): with a point,
// a float when at most six characters precede it and at most five follow it,
// else a double; without one, an int under 9 characters, else a long.
// Text that does not parse gives 0 of the chosen kind.
#pragma once

#include <string>

namespace kestrel {

class KvBaseObject;

KvBaseObject* kvNumberFromLiteral(const std::u16string& text);

}  // namespace kestrel
