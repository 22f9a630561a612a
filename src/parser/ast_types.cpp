// Printed names of the node types, generated from the one type list.
// Unknown numbers print as "Unknown" rather than failing.
#include "parser/ast_types.h"

namespace kestrel {

const char* astTypeName(uint32_t type) {
    switch (type) {
#define KV_AST_TYPE_CASE(name, number) \
    case number:                       \
        return #name;
        KV_AST_TYPE_LIST(KV_AST_TYPE_CASE)
#undef KV_AST_TYPE_CASE
    default:
        return "Unknown";
    }
}

}  // namespace kestrel
