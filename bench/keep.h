// Keeps the optimiser from dropping work whose result a benchmark ignores.
#pragma once

#include <atomic>

template <class T> inline void keep(T* p)
{
#if defined(__GNUC__)
    asm volatile("" : : "r"(p) : "memory");
#else
    static std::atomic<T*> sink;
    sink.store(p, std::memory_order_relaxed);
    std::atomic_signal_fence(std::memory_order_seq_cst);
#endif
}
