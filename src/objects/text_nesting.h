// Guards the text forms of containers: a container already being written
// (a cycle, such as a map holding itself) or one nested deeper than the
// limit is written as its short form instead of recursing further.
#pragma once

#include <cstdint>

namespace kestrel {

class KvBaseObject;

class KvTextNesting {
public:
    static constexpr int32_t kMaxDepth = 200;

    explicit KvTextNesting(const KvBaseObject* value);
    ~KvTextNesting();
    KvTextNesting(const KvTextNesting&) = delete;
    KvTextNesting& operator=(const KvTextNesting&) = delete;

    // True when the value must not be expanded here.
    bool cut() const { return cut_; }

private:
    bool cut_;
};

}  // namespace kestrel
