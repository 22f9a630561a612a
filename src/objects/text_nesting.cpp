// The containers being written right now, innermost last (one list per thread).
#include "objects/text_nesting.h"

#include <algorithm>
#include <vector>

namespace kestrel {

namespace {
thread_local std::vector<const KvBaseObject*> writing;
}  // namespace

KvTextNesting::KvTextNesting(const KvBaseObject* value)
    : cut_(static_cast<int32_t>(writing.size()) >= kMaxDepth ||
           std::find(writing.begin(), writing.end(), value) != writing.end()) {
    if (!cut_) writing.push_back(value);
}

KvTextNesting::~KvTextNesting() {
    if (!cut_) writing.pop_back();
}

}  // namespace kestrel
