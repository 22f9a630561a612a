// The cycle collector: what a batch costs does not depend on the values that
// stay alive; every cycle shape the language builds is freed; random graphs
// keep what is reachable and free the rest.
#include <array>
#include <random>

#include "live_program.h"
#include "vm/cycle_collector.h"

namespace kestrel::testing {
namespace {

constexpr const char* kChainProgram =
    "class P {\n var a\n func P(x) { a = x }\n}\n"
    "var live = null\n"
    "func build(n) { var keep = null\n for (var i = 0; i < n; i++) { keep = new P(keep) }\n live = keep }\n"
    "func churn(n) { var s = 0\n for (var j = 0; j < n; j++) { var o = new P(null)\n o.a = o\n s = s + 1 }\n"
    " return s }\n";

// Nodes the collector visits while n short-lived instances are made and freed.
uint64_t churnWork(LiveProgram& program, int32_t n) {
    collectCycles();
    uint64_t start = cycleVisitCount();
    KvScriptCallResult r = program.call(u"churn", {n});
    EXPECT_EQ(intResult(r), n);
    r.value.reset();
    collectCycles();
    return cycleVisitCount() - start;
}

TEST(VmCycleCollector, WorkOnShortLivedInstancesDoesNotGrowWithLiveOnes) {
    uint64_t alone = 0;
    {
        LiveProgram program(kChainProgram);
        alone = churnWork(program, 100000);
    }
    LiveProgram program(kChainProgram);
    int64_t before = kvLiveValueCount();
    program.call(u"build", {100000}).value.reset();
    EXPECT_GE(kvLiveValueCount(), before + 100000);
    uint64_t beside = churnWork(program, 100000);
    EXPECT_GT(alone, 100000u);  // every short-lived instance holds itself
    EXPECT_LE(beside, alone + alone / 20);
}

TEST(VmCycleCollector, ChainsSurviveBatchesAndAreFreedWhenDropped) {
    LiveProgram program(kChainProgram + std::string("func depth() { var d = 0\n var p = live\n"
                                                   " while (p != null) { d++\n p = p.a }\n return d }\n"));
    program.call(u"build", {1}).value.reset();  // the class makes its shared constructor
    program.call(u"build", {0}).value.reset();
    int64_t before = kvLiveValueCount();
    program.call(u"build", {50000}).value.reset();
    collectCycles();
    EXPECT_EQ(kvLiveValueCount(), before + 50000);  // instances only: their constructor is shared
    KvScriptCallResult depth = program.call(u"depth");
    EXPECT_EQ(intResult(depth), 50000);
    depth.value.reset();
    program.call(u"build", {0}).value.reset();
    collectCycles();
    EXPECT_EQ(kvLiveValueCount(), before);
    EXPECT_EQ(cycleCandidateCount(), 0u);
}

// Each program's churn(n) makes n garbage structures of one shape.
struct CycleShape {
    const char* name;
    const char* source;
};

const CycleShape kShapes[] = {
    {"self cycle", "class S { var me }\n"
                   "func churn(n) { for (var i = 0; i < n; i++) { var s = new S()\n s.me = s } }\n"},
    {"instance ring", "class R { var next }\n"
                      "func churn(n) { for (var i = 0; i < n; i++) { var a = new R()\n var b = new R()\n"
                      " var c = new R()\n a.next = b\n b.next = c\n c.next = a } }\n"},
    {"closure holding itself", "func make() { func self() { return self }\n return self }\n"
                               "func churn(n) { for (var i = 0; i < n; i++) { var f = make()\n f = f() } }\n"},
    {"method outliving its instance", "class M { var v = 2\n func get() { return v } }\n"
                                      "func churn(n) { var s = 0\n for (var i = 0; i < n; i++) {"
                                      " var g = new M().get\n s = s + g() }\n return s }\n"},
    {"class local to a function", "func make(k) { class L { var k2 = k\n func twice() { return k2 * 2 } }\n"
                                  " return new L() }\n"
                                  "func churn(n) { for (var i = 0; i < n; i++) { make(i).twice() } }\n"},
    {"closure in a loop over instances", "class C { var f\n func C() { f = func() { return this } } }\n"
                                         "func churn(n) { for (var i = 0; i < n; i++) { new C().f() } }\n"},
};

TEST(VmCycleCollector, EveryCycleShapeIsFreedDuringTheRun) {
    for (const CycleShape& shape : kShapes) {
        SCOPED_TRACE(shape.name);
        LiveProgram program(shape.source);
        program.call(u"churn", {1}).value.reset();  // classes make their shared methods
        collectCycles();
        int64_t before = kvLiveValueCount();
        KvScriptCallResult r = program.call(u"churn", {20000});
        EXPECT_FALSE(r.raised) << (r.value ? toUtf8(r.value->toString()) : "");
        r.value.reset();
        EXPECT_LT(kvLiveValueCount(), before + 40000 * 4);  // batches ran on the way
        collectCycles();
        EXPECT_EQ(kvLiveValueCount(), before);
        EXPECT_EQ(cycleCandidateCount(), 0u);
    }
}

// A batch runs while the method of an instance that nothing else holds is
// still running: the method's activation keeps the instance's context, so
// the instance survives that batch; when the method returns, the context's
// count falls while its instance lives, and the garbage must be found then.
TEST(VmCycleCollector, InstanceDroppedWhileItsMethodRunsIsFreedAfterward) {
    LiveProgram program(
        "class D {\n var me\n func D() { me = this }\n func drop() { holder = null\n return spin() }\n}\n"
        "class T { var me }\n"
        "var holder = null\n"
        "func spin() { for (var i = 0; i < 5000; i++) { var t = new T()\n t.me = t }\n return 0 }\n"
        "func churn(n) { for (var i = 0; i < n; i++) { holder = new D()\n holder.drop() } }\n");
    program.call(u"churn", {1}).value.reset();  // the classes make their shared methods
    collectCycles();
    int64_t before = kvLiveValueCount();
    uint64_t visited = cycleVisitCount();
    program.call(u"churn", {4}).value.reset();
    EXPECT_GT(cycleVisitCount(), visited);  // batches ran while the methods ran
    collectCycles();
    EXPECT_EQ(kvLiveValueCount(), before);
    EXPECT_EQ(cycleCandidateCount(), 0u);
}

// A model of the script graph: node i's fields a, b, c point at nodes or nowhere (-1).
struct GraphModel {
    std::vector<std::array<int, 3>> edges;
    std::vector<bool> held;  // held from native code

    std::vector<bool> reachable() const {
        std::vector<bool> seen(edges.size(), false);
        std::vector<int> work;
        for (size_t i = 0; i < held.size(); ++i) {
            if (held[i]) work.push_back(static_cast<int>(i));
        }
        while (!work.empty()) {
            int n = work.back();
            work.pop_back();
            if (seen[n]) continue;
            seen[n] = true;
            for (int to : edges[n]) {
                if (to >= 0 && !seen[to]) work.push_back(to);
            }
        }
        return seen;
    }
};

constexpr const char* kGraphProgram =
    "class N {\n var a = null\n var b = null\n var c = null\n var id = 0\n func get() { return id }\n}\n"
    "func make(id) { var n = new N()\n n.id = id\n return n }\n"
    "func link(x, k, y) { if (k == 0) { x.a = y } else if (k == 1) { x.b = y } else { x.c = y } }\n"
    "func idOf(x) { if (x == null) { return 0 }\n return x.get() }\n"
    "func sig(x) { return ((x.get() * 128 + idOf(x.a)) * 128 + idOf(x.b)) * 128 + idOf(x.c) }\n";

int32_t expectedSig(const GraphModel& model, int n) {
    auto id = [](int to) { return to < 0 ? 0 : to + 1; };
    const auto& e = model.edges[static_cast<size_t>(n)];
    return ((n + 1) * 128 + id(e[0])) * 128 * 128 + id(e[1]) * 128 + id(e[2]);
}

TEST(VmCycleCollector, RandomGraphsKeepWhatIsReachableAndFreeTheRest) {
    LiveProgram program(kGraphProgram);
    program.call(u"make", {0}).value.reset();  // the class makes its shared method
    int64_t start = kvLiveValueCount();
    std::mt19937 random(20240611);
    constexpr int kNodes = 80;
    for (int round = 0; round < 30; ++round) {
        SCOPED_TRACE(round);
        GraphModel model;
        model.edges.assign(kNodes, {-1, -1, -1});
        model.held.assign(kNodes, true);
        std::vector<KvBaseObject*> nodes;
        for (int i = 0; i < kNodes; ++i) {
            nodes.push_back(program.call(u"make", {i + 1}).value.detach());  // held from here
        }
        auto randomEdges = [&](int count) {
            for (int e = 0; e < count; ++e) {
                int from = static_cast<int>(random() % kNodes), field = static_cast<int>(random() % 3);
                int to = random() % 5 == 0 ? -1 : static_cast<int>(random() % kNodes);
                std::vector<bool> alive = model.reachable();
                if (!alive[from] || (to >= 0 && !alive[to])) continue;
                model.edges[from][field] = to;
                program.callWith(u"link", {nodes[from], kvInt(field), to < 0 ? kvNull() : nodes[to]})
                    .value.reset();
            }
        };
        auto dropRandomHolds = [&](int percent) {
            for (int i = 0; i < kNodes; ++i) {
                if (model.held[i] && static_cast<int>(random() % 100) < percent) {
                    model.held[i] = false;
                    nodes[i]->release();
                }
            }
        };
        auto checkSurvivors = [&]() {
            collectCycles();
            std::vector<bool> alive = model.reachable();
            int64_t count = 0;
            for (int i = 0; i < kNodes; ++i) {
                if (!alive[i]) continue;
                ++count;
                KvScriptCallResult r = program.callWith(u"sig", {nodes[i]});
                EXPECT_EQ(intResult(r), expectedSig(model, i)) << "node " << i;
                r.value.reset();
            }
            // An instance and its method, bound to it when sig read it.
            EXPECT_EQ(kvLiveValueCount(), start + 2 * count);
        };
        randomEdges(3 * kNodes);
        dropRandomHolds(70);
        checkSurvivors();
        randomEdges(kNodes);
        dropRandomHolds(50);
        checkSurvivors();
        dropRandomHolds(100);
        checkSurvivors();
    }
    EXPECT_EQ(cycleCandidateCount(), 0u);
}

}  // namespace
}  // namespace kestrel::testing
