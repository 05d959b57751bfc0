// The second thread of tagwell-convert and what it shares with the converter:
// a ring of output blocks that the converter fills and that are written in
// order, and a ring of input blocks that a regular file is read into ahead
// of the converter. The thread writes while there is a block to write, and
// reads ahead while there is none; the converter, rather than wait, writes
// or reads itself whenever the thread is not at it. Reading, converting and
// writing thus share two processors whichever of them costs the most, and
// with one processor free (a busy machine) the converter carries on alone.
#pragma once

#include <cstddef>
#include <memory>
#include <thread>

namespace cli {

class Source;

class Worker {
public:
    // One block being filled while the others wait to be written: enough to
    // ride out a write that takes longer than the rest (a file system
    // allocating its blocks) without holding the converter back.
    static constexpr std::size_t OutputBlocks = 3;
    // Blocks of input read ahead, of ReadSize each.
    static constexpr std::size_t InputBlocks = 8;

    // Output blocks of `capacity` bytes; the thread only starts with start().
    explicit Worker(std::size_t capacity);
    ~Worker();
    Worker(const Worker&) = delete;
    Worker& operator=(const Worker&) = delete;

    void start();
    bool started() const { return started_; }

    // The block the converter fills.
    char* outputBlock() const { return filling_; }
    // Queues the first `size` bytes of the block being filled to be written
    // after those queued before, and makes the next free block the one being
    // filled. False once a write has failed.
    bool queue(std::size_t size);
    // Returns once everything queued is written. False once a write has
    // failed.
    bool drain();
    // The first write's error number, or 0.
    int error() const;

    // A block of input: its bytes, 0 at the end, -1 after a read error.
    struct Block {
        const char* data = nullptr;
        long size = 0;
        int error = 0;
    };
    // Starts reading `source` ahead from its position; starts the thread.
    void readAhead(Source& source);
    // The next block, in order; its bytes stay until release(). After the
    // end, an error or stopReading(), once the blocks read are taken, a
    // block of size 0.
    Block next();
    void release();
    // No more reads: returns once none is under way, so that the source can
    // close.
    void stopReading();

private:
    struct Shared;
    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    char* filling_ = nullptr;
    bool started_ = false;
};

} // namespace cli
