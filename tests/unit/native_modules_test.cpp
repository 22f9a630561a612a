// Native extension support without a library file: the decorated-name
// search, the order of the library directories, and module values built
// from a descriptor defined here (creator and releaser, special functions,
// member bindings, printing).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "host/platform.h"
#include "modules/module_values.h"
#include "modules/native_library.h"
#include "modules/native_registry.h"
#include "modules/native_values.h"
#include "objects/field_value.h"
#include "objects/string_value.h"
#include "objects_test_support.h"
#include "temp_file_util.h"

namespace kestrel {
namespace {

using testing::ObjectsTest;
using testing::ScratchDirectory;

TEST(NativeExportSearch, PlainNameFirstThenDecoratedNamesInOrder) {
    std::vector<std::string> asked;
    int marker = 0;
    auto lookup = [&](const std::string& name) -> void* {
        asked.push_back(name);
        return (name == "_kv_module_init_x@4" || name == "_kv_module_init_x@8") ? &marker : nullptr;
    };
    EXPECT_EQ(findExport("kv_module_init_x", lookup), &marker);
    ASSERT_EQ(asked.size(), 3u);
    EXPECT_EQ(asked[0], "kv_module_init_x");
    EXPECT_EQ(asked[1], "_kv_module_init_x@0");
    EXPECT_EQ(asked[2], "_kv_module_init_x@4");
}

TEST(NativeExportSearch, GivesUpAfterTheLargestDecoration) {
    std::vector<std::string> asked;
    auto lookup = [&](const std::string& name) -> void* {
        asked.push_back(name);
        return nullptr;
    };
    EXPECT_EQ(findExport("f", lookup), nullptr);
    ASSERT_EQ(asked.size(), 33u);  // the name, then @0 .. @124
    EXPECT_EQ(asked.back(), "_f@124");
    EXPECT_EQ(findExport("", lookup), nullptr);
}

TEST(NativeModuleFiles, ProjectLibraryBeforeTheProgramsOwn) {
    ScratchDirectory project, program;
    project.write("both.kvd", "p");
    program.write("both.kvd", "e");
    program.write("only_program.kvd", "e");
    std::vector<std::u16string> order = {project.path() + u"/", program.path() + u"/"};
    EXPECT_EQ(findNativeModuleFile(u"both", order, platform::pathExists), project.path() + u"/both.kvd");
    EXPECT_EQ(findNativeModuleFile(u"only_program", order, platform::pathExists),
              program.path() + u"/only_program.kvd");
    EXPECT_EQ(findNativeModuleFile(u"absent", order, platform::pathExists), u"");
    // A directory the system would not tell is skipped, not read as the current one.
    std::vector<std::u16string> withEmpty = {u"", program.path() + u"/"};
    EXPECT_EQ(findNativeModuleFile(u"both", withEmpty, platform::pathExists), program.path() + u"/both.kvd");
}

TEST(NativeModuleFiles, AFileThatIsNotALibraryLoadsNothing) {
    ScratchDirectory dir;
    std::u16string file = dir.write("plain.kvd", std::string(100, 'x'));
    EXPECT_EQ(loadModuleFromFile(u"plain", file), nullptr);
    EXPECT_EQ(loadModuleFromFile(u"plain", dir.pathOf("missing.kvd")), nullptr);
}

// A class of the test: its handle counts creations; each release is counted.
int releases = 0;
struct Thing {
    int32_t id;
};

KvObjModuleObject* objectOf(KvValue* value) {
    return static_cast<KvObjModuleObject*>(fromNative(value));
}

int32_t idOf(KvValue* value) {
    auto* thing = static_cast<Thing*>(objectOf(value)->handle());
    return thing ? thing->id : -1;
}

void* createThing(const KvArgs* args) {
    if (args->count > 0 && fromNative(args->items[0])->tag() == kTagNull) return nullptr;
    static int32_t next = 0;
    return new Thing{next++};
}

void releaseThing(void* handle) {
    delete static_cast<Thing*>(handle);
    ++releases;
}

KvValue* sameId(KvValue* self, const KvArgs* args) {
    bool same = args->count == 1 && fromNative(args->items[0])->tag() == kTagModuleObject &&
                idOf(self) == idOf(args->items[0]);
    return toNative(kvBool(same));
}

KvValue* idDifference(KvValue* self, const KvArgs* args) {
    return toNative(kvInt(idOf(self) - idOf(args->items[0])));
}

KvValue* notANumber(KvValue*, const KvArgs*) {
    return toNative(new KvObjString(u"x"));
}

KvValue* firstDetail(KvValue*, const KvArgs*) {
    return toNative(new KvObjString(u"first"));
}

KvValue* laterDetail(KvValue*, const KvArgs*) {
    return toNative(new KvObjString(u"later"));
}

KvValue* size(KvValue*) {
    return toNative(kvInt(3));
}

KvValue* nothing(const KvArgs*) {
    return nullptr;
}

const KvMethodEntry kPlainMethods[] = {{"size", nullptr}, {"touch", notANumber}};
const KvPropertyEntry kProperties[] = {{"size", nullptr, size}};
const KvClassDescription kPlain = {"test.Plain", createThing, releaseThing, kPlainMethods, 2, kProperties, 1};

const KvMethodEntry kSpecialMethods[] = {
    {"equals", sameId}, {"compare", idDifference}, {"detailString", firstDetail}, {"debugString", laterDetail},
};
const KvClassDescription kSpecial = {"test.Special", createThing, releaseThing, kSpecialMethods, 4, nullptr, 0};

const KvMethodEntry kBadCompare[] = {{"compare", notANumber}};
const KvClassDescription kOddlyCompared = {"test.Odd", createThing, releaseThing, kBadCompare, 1, nullptr, 0};

const KvClassEntry kClasses[] = {{"Plain", &kPlain}, {"Special", &kSpecial}, {"Odd", &kOddlyCompared}};
const KvFunctionEntry kFunctions[] = {{"nothing", "", nothing}};
const KvModuleDescriptor kDescriptor = {KESTREL_EXTENSION_LAYOUT_VERSION, "", kFunctions, 1, kClasses, 3};

class ModuleValuesTest : public ObjectsTest {
protected:
    void SetUp() override {
        ObjectsTest::SetUp();
        static KvObjModule* shared = makeLastingModule(u"test", kDescriptor);
        module = shared;
        releases = 0;
    }

    // A new constructed instance holding one reference.
    KvObjModuleObject* make(const std::u16string& cls) {
        auto* object = static_cast<KvObjModuleObject*>(module->classes().at(cls)->newInstance(nullptr));
        object->addRef();
        KvArgList none;
        EXPECT_EQ(object->create(none), nullptr);
        return object;
    }

    KvObjModule* module = nullptr;
};

TEST_F(ModuleValuesTest, TheReleaserRunsOnceWhateverReleasesTheHandle) {
    KvObjModuleObject* object = make(u"Plain");
    object->releaseHandle();
    EXPECT_EQ(releases, 1);
    object->release();
    EXPECT_EQ(releases, 1);

    KvObjModuleObject* replaced = make(u"Plain");
    KvArgList none;
    EXPECT_EQ(replaced->create(none), nullptr);  // a second construction frees the first handle
    EXPECT_EQ(releases, 2);
    replaced->release();
    EXPECT_EQ(releases, 3);

    auto* unowned = new KvObjModuleObject(module->classes().at(u"Plain"), false);
    unowned->addRef();
    EXPECT_EQ(unowned->create(none), nullptr);
    auto* handle = static_cast<Thing*>(unowned->handle());
    unowned->release();
    EXPECT_EQ(releases, 3);  // not ours to release
    delete handle;
}

TEST_F(ModuleValuesTest, AFailedCreationIsAnExceptionNamingTheClass) {
    auto* object = static_cast<KvObjModuleObject*>(module->classes().at(u"Plain")->newInstance(nullptr));
    object->addRef();
    KvBaseObject* nullArgument[1] = {kvNull()};
    KvBaseObject* failure = object->create(KvArgList{1, nullArgument});
    ASSERT_NE(failure, nullptr);
    EXPECT_EQ(failure->tag(), kTagException);
    EXPECT_EQ(failure->toString(), u"Can't create object. [class type] test.Plain");
    failure->releaseTemporary();
    object->release();
    EXPECT_EQ(releases, 0);
}

TEST_F(ModuleValuesTest, WithoutSpecialFunctionsTheTextIsEmptyAndTheDetailListsMembers) {
    KvObjModuleObject* object = make(u"Plain");
    EXPECT_EQ(object->toString(), u"");
    EXPECT_EQ(object->detailString(0),
              u"module::class {\r\n  size: 3,\r\n  touch: <module::func>()\r\n}");  // a null method is no method
    KvObjModuleObject* other = make(u"Plain");
    EXPECT_TRUE(object->equals(object));
    EXPECT_FALSE(object->equals(other));
    EXPECT_EQ(object->compare(object), 0);
    EXPECT_EQ(object->compare(other), 1);
    EXPECT_EQ(object->compare(kvInt(1)), 1);
    other->release();
    object->release();
}

TEST_F(ModuleValuesTest, SpecialFunctionsDecideEqualityOrderAndDetail) {
    KvObjModuleObject* a = make(u"Special");
    KvObjModuleObject* b = make(u"Special");
    EXPECT_TRUE(a->equals(a));
    EXPECT_FALSE(a->equals(b));
    EXPECT_EQ(a->compare(b), -1);
    EXPECT_EQ(b->compare(a), 1);
    EXPECT_EQ(a->detailString(0), u"later");  // the later of detailString and debugString
    KvObjModuleObject* odd = make(u"Odd");
    EXPECT_EQ(odd->compare(odd), -1);  // an answer that is not a number
    odd->release();
    a->release();
    b->release();
}

TEST_F(ModuleValuesTest, MemberNamesBindToTheirKinds) {
    KvObjModuleObject* object = make(u"Plain");
    auto kindOf = [](const KvBaseObject& owner, const std::u16string& name) {
        return bindMember(nullptr, owner, name)->kind;
    };
    EXPECT_EQ(kindOf(*module, u"nothing"), kFieldModuleFunction);
    EXPECT_EQ(kindOf(*module, u"Plain"), kFieldModuleClass);
    EXPECT_EQ(kindOf(*module, u"absent"), kFieldProperty);
    EXPECT_EQ(kindOf(*object, u"touch"), kFieldModuleMethod);
    EXPECT_EQ(kindOf(*object, u"size"), kFieldModuleProperty);
    EXPECT_EQ(kindOf(*object, u"toString"), kFieldNativeMethod);  // the common methods come first
    EXPECT_EQ(kindOf(*object, u"absent"), kFieldProperty);

    // A site's binding for one class is not reused for another.
    KvMemberBindingPtr site = bindMember(nullptr, *object, u"touch");
    KvObjModuleObject* special = make(u"Special");
    EXPECT_EQ(bindMember(site, *special, u"touch")->kind, kFieldProperty);
    EXPECT_EQ(bindMember(site, *object, u"touch"), site);
    special->release();
    object->release();
}

TEST_F(ModuleValuesTest, TextFormsOfModuleValues) {
    EXPECT_EQ(module->toString(), u"<module>");
    EXPECT_EQ(module->functions().at(u"nothing")->toString(), u"<module::func>");
    EXPECT_EQ(module->classes().at(u"Plain")->toString(), u"<module::class>");
    KvObjModuleObject* object = make(u"Plain");
    KvBaseObject* creator = object->initFunction();
    EXPECT_EQ(creator->toString(), u"<module::class::creator>");
    creator->releaseTemporary();
    object->release();
    EXPECT_TRUE(module->isShared());  // lasting: never counted, never freed
}

}  // namespace
}  // namespace kestrel
