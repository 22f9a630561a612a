// What the standard library's modules share: the runtime record the
// interpreter handed over, and each module's descriptor.
#pragma once

#include "kestrel/extension.h"

namespace kestrel::stdlib {

// Set by the first init function the interpreter calls.
const KvRuntimeRecord& runtime();
void keepRuntime(const KvRuntimeRecord* record);

const KvModuleDescriptor* utilModule();
const KvModuleDescriptor* mathModule();
const KvModuleDescriptor* osModule();

}  // namespace kestrel::stdlib
