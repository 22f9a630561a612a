// The payload records that hang off syntax nodes, one shape per construct.
// A payload owns its children through shared pointers; it can hand them all
// out (so deep trees are released without recursion) and describe itself for printing.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace kestrel {

class KvAstNode;
using KvAstNodePtr = std::shared_ptr<KvAstNode>;
// A vector, not a deque: an empty deque already costs two allocations and
// about 600 bytes, and every call and bracket group holds a list.
using KvAstNodeList = std::vector<KvAstNodePtr>;
using KvAstNameList = std::deque<std::u16string>;
// Scratch sequences of the parsers (operand sequence, pipe buffer).
using KvAstNodeVector = std::vector<KvAstNodePtr>;

// One child link in eight bytes, for the operator payload (the most common
// shape by far). A node of an arena tree is linked by plain pointer, since its
// arena owns it; any other node is held by a shared pointer kept on the heap,
// so trees built by hand keep the usual shared ownership.
class KvAstChild {
public:
    KvAstChild() = default;
    KvAstChild(std::nullptr_t) {}  // NOLINT: converts like a pointer
    KvAstChild(const KvAstNodePtr& node) {  // NOLINT: converts like a pointer
        // A pointer that owns nothing (an arena node) is kept as it is.
        if (node.use_count() == 0) {
            bits_ = reinterpret_cast<uintptr_t>(node.get());
        } else {
            set(node);
        }
    }
    KvAstChild(const KvAstChild& other) { set(other.pointer()); }
    KvAstChild(KvAstChild&& other) noexcept : bits_(other.bits_) { other.bits_ = 0; }
    KvAstChild& operator=(const KvAstChild& other);
    KvAstChild& operator=(KvAstChild&& other) noexcept;
    ~KvAstChild() { clear(); }

    KvAstNode* get() const {
        return (bits_ & kHeld) ? reinterpret_cast<const KvAstNodePtr*>(bits_ & ~kHeld)->get()
                               : reinterpret_cast<KvAstNode*>(bits_);
    }
    KvAstNode* operator->() const { return get(); }
    KvAstNode& operator*() const { return *get(); }
    explicit operator bool() const { return bits_ != 0; }
    bool operator==(std::nullptr_t) const { return bits_ == 0; }
    bool operator!=(std::nullptr_t) const { return bits_ != 0; }
    // The child as a shared pointer (counting nothing for an arena node).
    KvAstNodePtr pointer() const;
    operator KvAstNodePtr() const { return pointer(); }  // NOLINT
    // Hands the child out and leaves the link empty.
    KvAstNodePtr take();

private:
    static constexpr uintptr_t kHeld = 1;
    void set(const KvAstNodePtr& node);
    void clear();

    uintptr_t bits_ = 0;
};

// What a printer shows of a payload: named values, then child slots in order.
// A child slot may be empty (null); its role may be empty.
struct KvAstDescription {
    std::vector<std::pair<std::string, std::string>> values;
    std::vector<std::pair<std::string, const KvAstNode*>> children;

    void value(const char* key, const std::u16string& text);
    void names(const char* key, const KvAstNameList& list);
    void child(const char* role, const KvAstNodePtr& node);
    void child(const char* role, const KvAstChild& node) { children.emplace_back(role, node.get()); }
    void childList(const char* role, const KvAstNodeList& list);
};

// An operator's text. Operators come from a small fixed set, so each text is
// stored once for the whole process and a payload carries only a pointer.
class KvAstOperatorText {
public:
    KvAstOperatorText(std::u16string_view text);  // NOLINT: converts like the string it stands for
    operator const std::u16string&() const { return str(); }  // NOLINT
    const std::u16string& str() const { return *operatorTexts()[id_]; }
    bool operator==(std::u16string_view other) const { return str() == other; }
    bool operator!=(std::u16string_view other) const { return str() != other; }
    bool operator==(const char16_t* other) const { return str() == other; }
    bool operator!=(const char16_t* other) const { return str() != other; }

private:
    // A number into the operator texts, not a pointer: beside the operator's
    // code it fills eight bytes, and a chain of millions of terms has one
    // operator payload per term.
    static const std::vector<const std::u16string*>& operatorTexts();
    uint32_t id_;
};

struct KvAstPayload {
    virtual ~KvAstPayload() = default;
    // Moves every child pointer into out, leaving the payload without children.
    virtual void takeChildren(std::vector<KvAstNodePtr>& out) = 0;
    virtual void describe(KvAstDescription& out) const = 0;
};

struct KvAstOneChild final : KvAstPayload {
    KvAstNodePtr child;
    explicit KvAstOneChild(KvAstNodePtr c = nullptr) : child(std::move(c)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstTwoChildren final : KvAstPayload {
    KvAstNodePtr first, second;
    KvAstTwoChildren(KvAstNodePtr a, KvAstNodePtr b) : first(std::move(a)), second(std::move(b)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstThreeChildren final : KvAstPayload {
    KvAstNodePtr first, second, third;
    KvAstThreeChildren(KvAstNodePtr a, KvAstNodePtr b, KvAstNodePtr c)
        : first(std::move(a)), second(std::move(b)), third(std::move(c)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstList final : KvAstPayload {
    KvAstNodeList items;
    KvAstList() = default;
    explicit KvAstList(KvAstNodeList list) : items(std::move(list)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstOperator final : KvAstPayload {
    KvAstOperatorText op;
    int32_t code = 0;
    KvAstChild left, right;
    KvAstOperator(std::u16string_view o, int32_t c, KvAstNodePtr l, KvAstNodePtr r)
        : op(o), code(c), left(std::move(l)), right(std::move(r)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstDefinition final : KvAstPayload {
    std::u16string name;
    KvAstNodePtr value;
    KvAstDefinition(std::u16string n, KvAstNodePtr v) : name(std::move(n)), value(std::move(v)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstMultiDefinition final : KvAstPayload {
    KvAstNameList names;
    KvAstNodePtr value;
    KvAstMultiDefinition(KvAstNameList n, KvAstNodePtr v) : names(std::move(n)), value(std::move(v)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstFunction final : KvAstPayload {
    std::u16string name;  // empty for a lambda, "@init" for a constructor
    KvAstNameList params;
    KvAstNodeList body;
    KvAstNodePtr extra;  // never set by the parser
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstClass final : KvAstPayload {
    std::u16string name;
    KvAstNameList extends;
    KvAstNameList implements;
    KvAstNodeList variables;
    KvAstNodeList functions;
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstCallLike final : KvAstPayload {
    KvAstNodePtr target;
    KvAstNodeList arguments;
    KvAstCallLike(KvAstNodePtr t, KvAstNodeList a) : target(std::move(t)), arguments(std::move(a)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstCountedLoop final : KvAstPayload {
    KvAstNodeList initialisers;
    KvAstNodePtr test;
    KvAstNodeList updates;
    KvAstNodePtr body;
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstEachLoop final : KvAstPayload {
    std::u16string name;
    KvAstNodePtr range;
    KvAstNodePtr body;
    KvAstEachLoop(std::u16string n, KvAstNodePtr r, KvAstNodePtr b)
        : name(std::move(n)), range(std::move(r)), body(std::move(b)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstTry final : KvAstPayload {
    KvAstNodePtr tryBlock;
    std::u16string catchName;
    KvAstNodePtr catchBlock;
    KvAstNodePtr finallyBlock;
    KvAstNodePtr catchVar;  // a Var carrying catchName; null when the catch names no variable
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstSwitchCase {
    KvAstNodeList values;  // empty for "default"
    KvAstNodeList statements;
};

struct KvAstSwitch final : KvAstPayload {
    KvAstNodePtr test;
    std::vector<KvAstSwitchCase> cases;
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstImport final : KvAstPayload {
    int32_t kind = 0;  // 1: a quoted file name, 2: a dotted module path
    KvAstNameList path;
    std::u16string text;  // empty from the parser
    uint8_t selectAll = 0;
    std::vector<std::pair<std::u16string, std::u16string>> fields;  // (field, nickname)
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

struct KvAstNames final : KvAstPayload {
    KvAstNameList names;
    KvAstNames() = default;
    explicit KvAstNames(KvAstNameList n) : names(std::move(n)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

// A node owned whole by another (type 55); held the same way as every child.
struct KvAstOwnedNode final : KvAstPayload {
    KvAstNodePtr node;
    explicit KvAstOwnedNode(KvAstNodePtr n) : node(std::move(n)) {}
    void takeChildren(std::vector<KvAstNodePtr>& out) override;
    void describe(KvAstDescription& out) const override;
};

}  // namespace kestrel
