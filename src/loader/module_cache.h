// The compiled-module file (".kvc"): a cache of one module's compiled form,
// written beside its source. It opens with a magic and a format version and
// records the source's modification time (nanoseconds), size and a hash of
// its bytes; a file that does not match in every respect, or fails any
// check, counts as absent.
#pragma once

#include <cstdint>
#include <string>

#include "vm/instruction.h"

namespace kestrel {

// What identifies the source a cache was made from.
struct SourceStamp {
    int64_t seconds = 0;
    int64_t nanoseconds = 0;
    int64_t size = 0;
    // Of the source's bytes: an edit that keeps the size and has its time
    // restored (cp -p, touch -r, an archive) still tells.
    uint64_t contentHash = 0;

    bool operator==(const SourceStamp& other) const {
        return seconds == other.seconds && nanoseconds == other.nanoseconds && size == other.size &&
               contentHash == other.contentHash;
    }
    bool operator!=(const SourceStamp& other) const { return !(*this == other); }
};

// The file's modification time (its status change time when that is 0), size
// and content hash; false when its status or its bytes can't be read.
bool readSourceStamp(const std::u16string& path, SourceStamp& stamp);

std::string serializeModule(const CompiledModule& module, const SourceStamp& stamp);

// False for anything that is not a sound compiled module of this format; out
// is then left empty. Every count, length, opcode, operand, slot, scope and
// jump is checked, so hostile bytes are refused rather than run.
bool deserializeModule(const std::string& bytes, CompiledModule& out, SourceStamp& stamp);

// Writes to a temporary name beside the target, then renames it into place.
bool writeModuleCache(const std::u16string& path, const CompiledModule& module, const SourceStamp& stamp);

// The cached module, or null when the file is missing, unsound, or (with
// expected given) made from a different source.
CompiledModulePtr readModuleCache(const std::u16string& path, const SourceStamp* expected);

}  // namespace kestrel
