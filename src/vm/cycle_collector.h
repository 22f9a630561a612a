// Cycle collection by trial deletion over a buffer of candidates: values and
// contexts whose count fell without reaching zero. When the buffer passes a
// threshold that grows with the number of live values, the candidates are
// examined in one batch: the references that the nodes reachable from them
// hold on each other are subtracted, whatever still has a reference from
// outside is in use together with everything it reaches, and the rest is
// cyclic garbage and is freed. A batch visits only what the candidates
// reach, so the amortised cost per released reference is constant.
// Module contexts are held by the program for the whole run and are never
// examined: references from them count as references from outside.
#pragma once

#include <cstddef>
#include <cstdint>

#include "objects/cycle_candidates.h"

namespace kestrel {

class KvVBaseContext;

// A context whose count fell without reaching zero.
void noteContextCandidate(KvVBaseContext* context);
// A context being deleted leaves the candidates.
void forgetContextCandidate(KvVBaseContext* context);
// Runs a batch when the candidates have passed the threshold; call it only
// where every value and context in use is counted.
// A batch runs when the candidates reach the threshold, which grows with
// the number of live values (so the work per allocation stays constant).
inline size_t cycleBatchThreshold = 4096;
void collectCyclesIfDueSlow();
// Inline: every call's end asks.
inline void collectCyclesIfDue() {
    if (kvBufferedCandidates >= cycleBatchThreshold) collectCyclesIfDueSlow();
}
// Runs batches until no candidate is left.
void collectCycles();

size_t cycleCandidateCount();
// Nodes the collector has visited since the process started (for tests of
// what a batch costs).
uint64_t cycleVisitCount();

}  // namespace kestrel
