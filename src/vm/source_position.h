// Where running code came from: the module file, source line and function
// of an instruction, derived from a code unit and an instruction position
// only when someone asks (a raise, a traceback, an exception's members).
// The dispatch loop keeps no bookkeeping for it: a frame's pc is all it
// needs. sourceLineAt is the one place that maps a position to a line, so a
// different executable form of the code only has to change it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "vm/code_unit.h"

namespace kestrel {

// The source line of the instruction at position (1-based), or 0 when the
// unit knows none.
uint32_t sourceLineAt(const CodeUnit& unit, int32_t position);

// The file a unit's code was compiled from ("<unknown>" when it has none).
std::u16string sourceFileOf(const CodeUnit& unit);

// The name a trace gives the code at position: the innermost function or
// class body holding it ("name", "Class.method" for a method, "<lambda>"
// for an anonymous function, "<class Name>" for a class body), or
// "<module>" outside every body.
std::u16string functionNameAt(const CodeUnit& unit, int32_t position);

// One active call at the moment an exception was raised: the unit (kept
// alive) and the position of the instruction it was running.
struct TracePoint {
    KvUnitRef unit;
    int32_t position = 0;
};

// The calls active when an exception was raised, innermost first. Deep
// stacks keep their innermost and outermost calls only: `omitted` calls
// were left out after the first `omittedAfter` points.
struct CallTrace {
    // At most this many calls are kept (and printed).
    static constexpr size_t kMaxPoints = 50;
    static constexpr size_t kKeptOutermost = 10;

    std::vector<TracePoint> points;
    size_t omittedAfter = 0;
    size_t omitted = 0;

    bool empty() const { return points.empty(); }
    // The innermost point's file and line (empty and 0 without points).
    std::u16string file() const;
    uint32_t line() const;
    // "  at NAME (FILE:LINE)" per call, innermost first, with a line
    // "  ... N more calls" where calls were left out; each line ends in "\n".
    std::u16string lines() const;
};

}  // namespace kestrel
