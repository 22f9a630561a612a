// The built-in functions. Type tests answer with the shared booleans and
// read a missing first argument as null; print honours the print switch.
#include "modules/builtins.h"

#include "vm/builtin_names.h"
#include "modules/module_values.h"
#include "objects/number.h"
#include "objects/shared_constants.h"
#include "host/console_queue.h"
#include "host/runtime_settings.h"

namespace kestrel {

namespace {

KvBaseObject* first(const KvArgList& args) {
    KvBaseObject* value = args.at(0);
    return value ? value : kvNull();
}

int32_t kindOf(const KvArgList& args) {
    KvObjNumber* number = asNumber(first(args));
    return number ? number->kind() : 0;
}

bool moduleObjectNamed(KvBaseObject* value, const std::u16string& name) {
    return value->tag() == kTagModuleObject && static_cast<KvObjModuleObject*>(value)->hasClassNamed(name);
}

// print(a, b, ..., [flag]): a trailing boolean after at least one other
// argument is not printed: false suppresses the line break.
KvBaseObject* print(const KvArgList& args) {
    if (!runtimeSettings().printEnabled) return kvNull();
    int32_t shown = args.count;
    bool lineBreak = true;
    KvBaseObject* last = args.at(args.count - 1);
    if (args.count >= 2 && last && last->tag() == kTagBool) {
        lineBreak = last->toBool();
        --shown;
    }
    std::u16string text;
    for (int32_t i = 0; i < shown; ++i) {
        if (args.items[i]) text += args.items[i]->toString();
    }
    if (lineBreak) text += u"\r\n";
    consoleWrite(text, kLevelNormal);
    return kvTrue();
}

KvBaseObject* enablePrint(const KvArgList& args) {
    RuntimeSettings& settings = runtimeSettings();
    if (args.count >= 1) {
        settings.printEnabled = first(args)->toBool();
        consoleWrite(std::u16string(u"> Print stat changed: [") +
                         (settings.printEnabled ? u"print enabled" : u"print disabled") + u"]\r\n",
                     kLevelNotice);
    }
    return kvBool(settings.printEnabled);
}

template <int32_t Tag>
KvBaseObject* hasTag(const KvArgList& args) {
    return kvBool(first(args)->tag() == Tag);
}

template <int32_t Kind>
KvBaseObject* hasKind(const KvArgList& args) {
    return kvBool(kindOf(args) == Kind);
}

KvBaseObject* isFunction(const KvArgList& args) {
    return kvBool(first(args)->isCallable());
}

KvBaseObject* isModuleObject(const KvArgList& args) {
    if (args.count == 0) return kvFalse();
    KvBaseObject* value = first(args);
    if (args.count == 1) return kvBool(value->tag() == kTagModuleObject);
    KvBaseObject* name = args.at(1);
    if (!name || name->tag() != kTagString || value->tag() != kTagModuleObject) return kvFalse();
    return kvBool(moduleObjectNamed(value, name->toString()));
}

KvBaseObject* isModuleStreamObject(const KvArgList& args) {
    KvBaseObject* value = first(args);
    return kvBool(value->tag() == kTagModuleObject && moduleObjectNamed(value, u"util.Stream"));
}

void fillTable() {
    static const KvBuiltinFunction functions[kBuiltinCount] = {
        print,
        enablePrint,
        hasTag<kTagNull>,
        hasTag<kTagBool>,
        hasTag<kTagNumber>,
        hasKind<kKindInt>,
        hasKind<kKindInt>,  // isInteger
        hasKind<kKindLong>,
        hasKind<kKindFloat>,
        hasKind<kKindDouble>,
        hasTag<kTagString>,
        hasTag<kTagBytes>,
        hasTag<kTagList>,
        hasTag<kTagMap>,
        hasTag<kTagClass>,
        isFunction,
        hasTag<31>,  // a source object
        isModuleObject,
        isModuleStreamObject,
    };
    setBuiltinFunctions(functions);
}

}  // namespace

void installBuiltinFunctions() { fillTable(); }

bool loadActionsModel() {
    static bool loaded = false;
    if (loaded) return true;
    loaded = true;
    const bool quiet = runtimeSettings().quiet;
    if (!quiet) consoleWrite(u"[Loading actions model] ", kLevelNotice);
    installBuiltinFunctions();
    if (!quiet) consoleWrite(u"Actions model loaded.\r\n", kLevelNotice);
    return true;
}

bool isBuiltin(const std::u16string& name) {
    return builtinIndex(name) >= 0;
}

}  // namespace kestrel
