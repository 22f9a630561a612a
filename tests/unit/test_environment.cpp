// Process-wide set-up every unit test may rely on, as start-up provides it to
// the interpreter: the value model and the built-in function table.
#include <gtest/gtest.h>

#include "modules/builtins.h"
#include "objects/shared_constants.h"

namespace {

class RuntimeEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        kestrel::initObjectModel();
        kestrel::installBuiltinFunctions();
    }
};

const auto* const registered = ::testing::AddGlobalTestEnvironment(new RuntimeEnvironment);

}  // namespace
