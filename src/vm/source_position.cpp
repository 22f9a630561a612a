// Positions of running code: lines, files and function names, derived from
// a unit and an instruction position on demand (see source_position.h).
#include "vm/source_position.h"

#include "host/utf8.h"

namespace kestrel {

namespace {

// The position clamped into the unit's code (a frame that has not run an
// instruction yet, or one that ran off the end).
int32_t clampPosition(const CodeUnit& unit, int32_t position) {
    if (position >= unit.count()) position = unit.count() - 1;
    return position < 0 ? 0 : position;
}

// Where a function or class body ends: its code is emitted behind a Jump
// that skips it (codegen_definitions.cpp), so the Jump's target; the end of
// the code when the body does not sit behind one.
int32_t bodyEnd(const CompiledModule& module, const FunctionDescriptor& descriptor) {
    int32_t count = static_cast<int32_t>(module.code.size());
    int32_t before = descriptor.entry - 1;
    if (before < 0 || before >= count) return count;
    const Instruction& jump = module.code[static_cast<size_t>(before)];
    if (jump.opcode != Opcode::Jump && jump.opcode != Opcode::JumpAlways) return count;
    return static_cast<int32_t>(jump.intValue);
}

bool isClassBody(const FunctionDescriptor& descriptor) {
    return descriptor.scope && descriptor.scope->kind == ScopeKind::Class;
}

}  // namespace

uint32_t sourceLineAt(const CodeUnit& unit, int32_t position) {
    if (unit.count() <= 0) return 0;
    const Instruction* code = unit.code();
    // An instruction without a line of its own (the module's prologue)
    // takes the nearest earlier one's, else the nearest later one's.
    const int32_t at = clampPosition(unit, position);
    for (int32_t i = at; i >= 0; --i) {
        if (code[i].line != 0) return code[i].line;
    }
    for (int32_t i = at + 1; i < unit.count(); ++i) {
        if (code[i].line != 0) return code[i].line;
    }
    return 0;
}

std::u16string sourceFileOf(const CodeUnit& unit) {
    return unit.moduleKey().empty() ? std::u16string(u"<unknown>") : unit.moduleKey();
}

// Bodies nest, so the bodies holding a position form a chain: the one that
// starts last is the innermost, the one before it its enclosing body.
std::u16string functionNameAt(const CodeUnit& unit, int32_t position) {
    const CompiledModule& module = *unit.module();
    position = clampPosition(unit, position);
    const FunctionDescriptor* inner = nullptr;
    const FunctionDescriptor* outer = nullptr;
    for (const auto& descriptor : module.functions) {
        if (!descriptor || position < descriptor->entry || position >= bodyEnd(module, *descriptor)) continue;
        if (!inner || descriptor->entry > inner->entry) {
            outer = inner;
            inner = descriptor.get();
        } else if (!outer || descriptor->entry > outer->entry) {
            outer = descriptor.get();
        }
    }
    if (!inner) return u"<module>";
    if (isClassBody(*inner)) return u"<class " + inner->name + u">";
    if (inner->name.empty()) return u"<lambda>";
    if (outer && isClassBody(*outer)) return outer->name + u"." + inner->name;
    return inner->name;
}

std::u16string CallTrace::file() const {
    return points.empty() ? std::u16string() : sourceFileOf(*points.front().unit);
}

uint32_t CallTrace::line() const {
    return points.empty() ? 0 : sourceLineAt(*points.front().unit, points.front().position);
}

std::u16string CallTrace::lines() const {
    std::u16string text;
    for (size_t i = 0; i < points.size(); ++i) {
        if (omitted > 0 && i == omittedAfter) {
            text += u"  ... " + decimalText(static_cast<int64_t>(omitted)) + u" more calls\n";
        }
        const TracePoint& point = points[i];
        text += u"  at " + functionNameAt(*point.unit, point.position) + u" (" + sourceFileOf(*point.unit) +
                u":" + decimalText(sourceLineAt(*point.unit, point.position)) + u")\n";
    }
    return text;
}

}  // namespace kestrel
