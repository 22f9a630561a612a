// The runtime record every extension's init function receives: pointers to
// the process-wide singletons in a fixed order, the interface's layout
// version and the value operations. Built once by start-up.
#pragma once

#include "kestrel/extension.h"

namespace kestrel {

// Fills the record from the singletons that exist by now (start-up, before
// the directory table and the module manager); later calls do nothing.
void buildRuntimeRecord();
// Fills the module manager and directory slots once those exist.
void completeRuntimeRecord();
// The record (built on first use if start-up has not built it).
const KvRuntimeRecord* runtimeRecord();

}  // namespace kestrel
