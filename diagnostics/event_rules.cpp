#include "diagnostics/event_rules.h"

bool EventRateLimit::allow(uint32_t id, uint32_t now) {
    size_t slot = 0;
    while (slot < kIds && event_id::kAll[slot] != id)
        slot++;
    if (slot == kIds)
        return true;
    // The entries written are a ring; the oldest decides.
    uint32_t &count = count_[slot];
    uint32_t *ring = written_[slot];
    if (count >= kBurst && now - ring[count % kBurst] < kWindowMs)
        return false;
    ring[count % kBurst] = now;
    count++;
    return true;
}
