#include "core/conversion_pieces.h"

#include "core/conversion.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace tagwell {

namespace {

// Small enough that the caller starts at once, large enough that handing a
// piece over costs nothing beside converting it.
constexpr std::size_t PieceSize = 32 * 1024;

// What the converting thread tells the caller: how much of the result is
// final, and whether that is all of it.
struct Progress {
    std::mutex mutex;
    std::condition_variable moved;
    std::size_t done = 0;
    bool finished = false;

    void publish(std::size_t to, bool last)
    {
        {
            std::lock_guard lock(mutex);
            done = to;
            finished = last;
        }
        moved.notify_one();
    }
};

} // namespace

std::u16string convertInPieces(std::u16string_view text, CheckState state,
                               const std::function<void(std::u16string_view piece)>& take)
{
    using Converter = StreamConverter<char16_t>;
    std::u16string result(Converter::wholeOutput(text), u'\0');
    char16_t* const begin = result.data();
    Progress progress;
    // Each feed writes up to its end and scribbles a little past it; what
    // lies before the end it gave is final, and the caller reads only that.
    std::thread converting([&] {
        Converter converter(state);
        char16_t* out = converter.start(begin);
        for (std::size_t at = 0; at < text.size(); at += PieceSize) {
            out = converter.feed(text.data() + at, std::min(PieceSize, text.size() - at), out);
            progress.publish(std::size_t(out - begin), false);
        }
        out = converter.finish(out);
        progress.publish(std::size_t(out - begin), true);
    });

    std::size_t taken = 0;
    bool finished = false;
    try {
        while (!finished) {
            std::size_t done = 0;
            {
                std::unique_lock lock(progress.mutex);
                progress.moved.wait(lock, [&] { return progress.done > taken || progress.finished; });
                done = progress.done;
                finished = progress.finished;
            }
            if (done > taken)
                take(std::u16string_view(begin + taken, done - taken));
            taken = done;
        }
    } catch (...) {
        converting.join();
        throw;
    }
    converting.join();
    result.resize(taken);
    return result;
}

} // namespace tagwell
