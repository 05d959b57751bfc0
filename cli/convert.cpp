#include "cli/convert.h"

#include "cli/system.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <cstdint>
#include <cstring>

namespace cli {

namespace {

using ByteConverter = tagwell::StreamConverter<char>;
using UnitConverter = tagwell::StreamConverter<char16_t>;

// With --escape-amp each piece is expanded before it is converted: cut so
// that five times a piece still fits one feed.
constexpr std::size_t AmpPiece = ReadSize / 5;
constexpr std::size_t UnitsPerBlock = ReadSize / 2 + 1;
// A regular file holding this much more is read ahead by the worker's thread;
// a smaller one costs less to read here than to hand over.
constexpr std::uint64_t ReadAheadFrom = 512 * 1024;

template <class Ch> Ch* escapeAmp(const Ch* in, const Ch* end, Ch* out)
{
    static constexpr Ch entity[] = {Ch('&'), Ch('a'), Ch('m'), Ch('p'), Ch(';')};
    while (in != end) {
        const Ch* amp = std::find(in, end, Ch('&'));
        out = std::copy(in, amp, out);
        if (amp == end)
            break;
        out = std::copy(std::begin(entity), std::end(entity), out);
        in = amp + 1;
    }
    return out;
}

constexpr bool LittleEndian = std::endian::native == std::endian::little;

} // namespace

std::size_t Pipeline::room()
{
    return std::max(ByteConverter::maxOutput(ReadSize), 2 * UnitConverter::maxOutput(UnitsPerBlock)) + 16;
}

Pipeline::Pipeline(const Options& options)
    : bytes_(options.state), units_(options.state), escapeAmp_(options.escapeAmp), worker_(Writer::capacity(room())),
      writer_(worker_), block_(std::make_unique_for_overwrite<char[]>(ReadSize))
{
}

Outcome Pipeline::convert(Source& source)
{
    name_ = &source.name();
    headSize_ = 0;
    headDone_ = false;
    hasOdd_ = false;
    const Outcome read = source.left() >= ReadAheadFrom ? readAhead(source) : readInTurn(source);
    if (read != Outcome::Done)
        return read;
    if (source.shrank()) {
        complain(source.name(), "the file shrank while it was being read");
        return Outcome::Failed;
    }
    return endInput() ? Outcome::Done : Outcome::Failed;
}

Outcome Pipeline::readInTurn(Source& source)
{
    const int fd = source.descriptor();
    for (;;) {
        // The live filter: what was converted goes out before a wait.
        if (source.mayWait() && wouldWait(fd)) {
            if (writer_.pending() && !writer_.flush())
                return Outcome::Failed;
            if (!waitForInput(fd))
                return Outcome::Interrupted;
        }
        const long got = source.read(block_.get(), ReadSize);
        if (got > 0 && !take(block_.get(), std::size_t(got)))
            return Outcome::Failed;
        if (interruption() != 0)
            return Outcome::Interrupted;
        if (got == 0)
            return Outcome::Done;
        if (got < 0) {
            if (errno == EINTR)
                continue;
            complainErrno(source.name(), errno);
            return Outcome::Failed;
        }
    }
}

// A big regular file, which never makes a read wait: read ahead of the
// conversion, by the worker's thread or, while that one writes, by this one.
Outcome Pipeline::readAhead(Source& source)
{
    worker_.readAhead(source);
    const struct Stop {
        Worker& worker;
        ~Stop() { worker.stopReading(); }
    } stop{worker_};
    bool interrupted = false;
    for (;;) {
        const Worker::Block block = worker_.next();
        if (block.size > 0 && !take(block.data, std::size_t(block.size)))
            return Outcome::Failed;
        worker_.release();
        if (block.size <= 0 && interrupted)
            return Outcome::Interrupted;
        if (block.size == 0)
            return Outcome::Done;
        if (block.size < 0) {
            complainErrno(source.name(), block.error);
            return Outcome::Failed;
        }
        // On an interrupt nothing more is read, and what was read is
        // converted, as if this one had read it.
        if (!interrupted && interruption() != 0) {
            interrupted = true;
            worker_.stopReading();
        }
    }
}

// The bytes of the current input: its first ones judged for a mark.
bool Pipeline::take(const char* data, std::size_t size)
{
    if (!headDone_) {
        const std::size_t add = std::min(size, MarkMaxSize - headSize_);
        std::memcpy(head_ + headSize_, data, add);
        const MarkGuess guess = guessMark(head_, headSize_ + add, false);
        if (!guess.decided) {
            headSize_ += add;
            return true;
        }
        // The mark's bytes may end before the bytes just seen.
        const std::size_t fromHead = guess.size > headSize_ ? 0 : headSize_ - guess.size;
        const std::size_t skipInData = guess.size > headSize_ ? guess.size - headSize_ : 0;
        const std::size_t headStart = guess.size > headSize_ ? headSize_ : guess.size;
        headDone_ = true;
        if (!decide(guess))
            return false;
        if (fromHead > 0 && !body(reinterpret_cast<const char*>(head_ + headStart), fromHead))
            return false;
        data += skipInData;
        size -= skipInData;
    }
    return body(data, size);
}

// The mark at the start of an input: the first one decides the text.
bool Pipeline::decide(const MarkGuess& guess)
{
    if (isUtf32(guess.mark)) {
        complain(*name_, utf32Refused(guess.mark));
        return false;
    }
    if (!decided_) {
        decided_ = true;
        mark_ = guess.mark;
        start();
        return true;
    }
    if (guess.mark == Mark::None || guess.mark == mark_)
        return true;
    complain(*name_, marksDiffer(mark_, guess.mark));
    return false;
}

void Pipeline::start()
{
    char* out = writer_.cursor();
    if (isUtf16(mark_)) {
        swap_ = (mark_ == Mark::Utf16LE) != LittleEndian;
        writer_.swapUnits(swap_);
        unitBlock_ = std::make_unique_for_overwrite<char16_t[]>(UnitsPerBlock);
        if (escapeAmp_)
            ampBlock_ = std::make_unique_for_overwrite<char[]>(2 * UnitsPerBlock);
        auto* units = reinterpret_cast<char16_t*>(out);
        *units++ = u'\uFEFF';
        out = reinterpret_cast<char*>(units_.start(units));
    } else {
        if (escapeAmp_)
            ampBlock_ = std::make_unique_for_overwrite<char[]>(ReadSize);
        const std::string_view mark = markBytes(mark_);
        out = std::copy(mark.begin(), mark.end(), out);
        out = bytes_.start(out);
    }
    writer_.advance(out);
}

bool Pipeline::body(const char* data, std::size_t size)
{
    if (!isUtf16(mark_))
        return feedBytes(data, size);
    const auto* bytes = reinterpret_cast<const unsigned char*>(data);
    const unsigned char* end = bytes + size;
    const int high = mark_ == Mark::Utf16LE ? 1 : 0;
    char16_t* units = unitBlock_.get();
    std::size_t count = 0;
    if (hasOdd_ && bytes != end) {
        const unsigned char pair[2] = {odd_, *bytes++};
        units[count++] = char16_t(pair[high] << 8 | pair[1 - high]);
        hasOdd_ = false;
    }
    for (; end - bytes >= 2; bytes += 2)
        units[count++] = char16_t(bytes[high] << 8 | bytes[1 - high]);
    if (bytes != end) {
        odd_ = *bytes;
        hasOdd_ = true;
    }
    return feedUnits(units, count);
}

bool Pipeline::feedBytes(const char* data, std::size_t size)
{
    if (!escapeAmp_) {
        return writer_.advance(bytes_.feed(data, size, writer_.cursor()));
    }
    for (std::size_t at = 0; at < size; at += AmpPiece) {
        const std::size_t n = std::min(AmpPiece, size - at);
        const char* expanded = ampBlock_.get();
        const char* end = escapeAmp(data + at, data + at + n, ampBlock_.get());
        if (!writer_.advance(bytes_.feed(expanded, std::size_t(end - expanded), writer_.cursor())))
            return false;
    }
    return true;
}

bool Pipeline::feedUnits(const char16_t* data, std::size_t size)
{
    constexpr std::size_t piece = UnitsPerBlock / 5;
    auto* expanded = reinterpret_cast<char16_t*>(ampBlock_.get());
    for (std::size_t at = 0; at < size;) {
        const std::size_t n = escapeAmp_ ? std::min(piece, size - at) : size - at;
        const char16_t* in = data + at;
        std::size_t length = n;
        if (escapeAmp_) {
            length = std::size_t(escapeAmp(in, in + n, expanded) - expanded);
            in = expanded;
        }
        auto* out = reinterpret_cast<char16_t*>(writer_.cursor());
        if (!writer_.advance(reinterpret_cast<char*>(units_.feed(in, length, out))))
            return false;
        at += n;
    }
    return true;
}

// The end of one input: a mark still undecided is judged on what there was.
bool Pipeline::endInput()
{
    if (!headDone_ && headSize_ > 0) {
        const MarkGuess guess = guessMark(head_, headSize_, true);
        headDone_ = true;
        if (!decide(guess))
            return false;
        if (headSize_ > guess.size && !body(reinterpret_cast<const char*>(head_ + guess.size), headSize_ - guess.size))
            return false;
    }
    if (hasOdd_) {
        complain(*name_, oddUtf16());
        return false;
    }
    return true;
}

bool Pipeline::finish()
{
    if (!decided_) {
        decided_ = true;
        start();
    }
    char* out = writer_.cursor();
    if (isUtf16(mark_))
        out = reinterpret_cast<char*>(units_.finish(reinterpret_cast<char16_t*>(out)));
    else
        out = bytes_.finish(out);
    return writer_.advance(out) && writer_.finish();
}

void Pipeline::writeWhatWasRead()
{
    if (!headDone_ && headSize_ > 0) {
        const MarkGuess guess = guessMark(head_, headSize_, true);
        headDone_ = true;
        if (!decide(guess))
            return;
        if (headSize_ > guess.size && !body(reinterpret_cast<const char*>(head_ + guess.size), headSize_ - guess.size))
            return;
    }
    if (!decided_)
        return;
    char* out = writer_.cursor();
    if (isUtf16(mark_))
        out = reinterpret_cast<char*>(units_.release(reinterpret_cast<char16_t*>(out)));
    else
        out = bytes_.release(out);
    if (writer_.advance(out))
        writer_.finish();
}

} // namespace cli
