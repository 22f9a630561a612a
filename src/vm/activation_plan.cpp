// Working out a function value's activation plan from its first calls.
#include "vm/activation_plan.h"

#include "vm/class_value.h"
#include "vm/code_unit.h"
#include "vm/context.h"
#include "vm/function_binding.h"
#include "vm/function_value.h"

namespace kestrel {

namespace {

// What every plan of function holds: the shape of its scope (already checked
// to fit) and its entry.
std::unique_ptr<ActivationPlan> planShape(const KvObjFunc& function, const ScopeTable* scope) {
    auto plan = std::make_unique<ActivationPlan>();
    plan->scope = scope;
    plan->slotCount = scope ? scope->slotCount() : 0;
    plan->parameters = scope ? static_cast<int32_t>(scope->parameters.size()) : 0;
    plan->firstParameterSlot = scope ? scope->firstParameterSlot : 0;
    plan->entry = function.descriptor()->entry;
    return plan;
}

// A shared method called a second time whose free names were all found to
// be fields of the instance it ran on: the plan keeps their slot numbers
// and the class they were found for.
void noteSharedMethodPlan(KvObjFunc& function, const ScopeTable& scope) {
    const ImplicitBindings* bindings = function.codeUnit()->cache(function.definedAt()).implicits.get();
    const size_t implicits = scope.implicits.size();
    if (implicits > 0 && (!bindings || !bindings->complete || !bindings->ownMembers ||
                          bindings->memberSlots.size() != implicits)) {
        return;
    }
    if (!function.noteCall()) return;
    std::unique_ptr<ActivationPlan> plan = planShape(function, &scope);
    plan->sharedMethod = true;
    plan->checksClass = implicits > 0;
    plan->classKey = implicits > 0 ? bindings->classKey : 0;
    plan->firstImplicitSlot = scope.firstImplicitSlot;
    plan->implicitCount = static_cast<int32_t>(implicits);
    for (size_t i = 0; i < implicits; ++i) {
        const int32_t slot = bindings->memberSlots[i];
        if (slot < 0) return;
        plan->fieldSlots[i] = slot;
        if (slot + 1 > plan->fieldsNeeded) plan->fieldsNeeded = slot + 1;
    }
    function.setPlan(std::move(plan));
}

}  // namespace

// A function value's plan, once its calls are known to repeat: from the
// second call of a function without free names, or once the targets of its
// free names are kept (bindKnownTargets); a shared method's from its second
// call, when its free names are all fields of the instance it runs on
// (bindOwnFields). A large scope is made the general way.
void notePlan(KvObjFunc& function) {
    const ScopeTable* scope = function.descriptor()->scope;
    const int32_t count = scope ? scope->slotCount() : 0;
    const int32_t entry = function.descriptor()->entry;
    const CodeUnit* unit = function.codeUnit();
    const size_t implicits = scope ? scope->implicits.size() : 0;
    const auto parameters = scope ? static_cast<int32_t>(scope->parameters.size()) : 0;
    if (count > ActivationPlan::kMaxSlots || entry < 0 || !unit || entry > unit->count() ||
        (scope && (scope->firstParameterSlot + parameters > count ||
                   scope->firstImplicitSlot + static_cast<int32_t>(implicits) > count))) {
        function.refusePlan();
        return;
    }
    if (function.isUnbound()) {
        if (!scope) {
            function.refusePlan();
            return;
        }
        noteSharedMethodPlan(function, *scope);
        return;
    }
    const BoundTargets* targets = function.boundTargets();
    uint64_t classKey = 0;
    if (implicits == 0) {
        if (!function.noteCall()) return;
    } else {
        classKey = classKeyOf(function.thisContext());
        if (!targets || !targets->ready || targets->classKey != classKey || targets->slots.size() != implicits) return;
        for (VariableSlot* target : targets->slots) {
            if (!target) return;
        }
    }
    std::unique_ptr<ActivationPlan> plan = planShape(function, scope);
    plan->classKey = classKey;
    plan->checksClass = implicits > 0;
    for (size_t i = 0; i < implicits; ++i) plan->initial[scope->firstImplicitSlot + i].makeAlias(targets->slots[i]);
    function.setPlan(std::move(plan));
}

}  // namespace kestrel
