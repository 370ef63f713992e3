#pragma once
// How often a step reads and writes the two settings files.
#include "store/store.h"

struct Counts {
    int reads, writes;
    bool operator==(const Counts&) const = default;
};

template <class Step>
Counts ioOf(Step step) {
    const auto before = store::Io;
    step();
    return {store::Io.reads - before.reads, store::Io.writes - before.writes};
}
