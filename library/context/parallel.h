// Work spread over the machine's cores, with results that do not depend on how it was spread:
// each piece of work writes only its own results, and the caller reads them in order afterwards.
#pragma once

#include <cstddef>
#include <functional>

namespace tessar {

// The threads the suite runs at once: the cores the machine reports (1 when it reports none),
// at most 8.
size_t worker_count();

// Calls body(thread, begin, end) for consecutive blocks [begin, end) of [0, n) of `block` items
// (the last one shorter), each block once, from up to worker_count() threads; `thread` (below
// worker_count()) tells which, so that a body can keep working storage per thread. Returns when
// every block is done; an exception thrown by a body is thrown again here, after the other
// threads have stopped taking blocks.
void parallel_blocks(size_t n, size_t block, const std::function<void(size_t thread, size_t begin, size_t end)>& body);

// Makes items 0 to n - 1 in chunks of `chunk` items on up to worker_count() threads and hands
// each chunk to consume(begin, end) on the calling thread, in order. make(thread, begin, end)
// puts its items where consume will find them: at most `ahead` chunks are made and not yet
// consumed, so item i may live in a ring of ahead * chunk places at i % (ahead * chunk). The
// calling thread makes chunks too while the next one to consume is not ready. An exception
// from make or consume is thrown again here once every thread has stopped.
void ordered_chunks(size_t n, size_t chunk, size_t ahead,
                    const std::function<void(size_t thread, size_t begin, size_t end)>& make,
                    const std::function<void(size_t begin, size_t end)>& consume);

}  // namespace tessar
