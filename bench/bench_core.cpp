// tagwell-bench-core [FILE]: the conversion's throughput on 16-bit text and
// on bytes, each beside memcpy of the same size in the same run. Prints one
// `name value` line per figure, medians of several runs.
#include "core/conversion.h"
#include "keep.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::string sampleSource(std::size_t size)
{
    static constexpr std::string_view chunk =
        "template <typename T, typename Alloc = std::allocator<T>>\n"
        "class vector {\n  public:\n    std::size_t size() const { return end_ - begin_; }\n"
        "    bool empty() const { return size() == 0 && begin_ != nullptr; } // a < b && c > d\n"
        "    T* begin_ = nullptr; T* end_ = nullptr;\n};\n/* <pre>example</pre> */\n";
    std::string text;
    text.reserve(size + chunk.size());
    while (text.size() < size)
        text.append(chunk);
    text.resize(size);
    return text;
}

template <class F> double medianSeconds(F&& run, int runs = 9)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        times.push_back(std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    std::nth_element(times.begin(), times.begin() + runs / 2, times.end());
    return times[std::size_t(runs / 2)];
}

template <class Ch> double convertMiBPerSecond(const std::basic_string<Ch>& text)
{
    std::size_t sink = 0;
    const double seconds =
        medianSeconds([&] { sink += tagwell::convertText<Ch>(text, tagwell::CheckState::Checked).size(); });
    if (sink == 0)
        std::puts("empty");
    return double(text.size() * sizeof(Ch)) / (1 << 20) / seconds;
}

// The streaming form into a buffer that is reused, as the command line runs
// it: no allocation or first touch of fresh memory in the figure.
double streamMiBPerSecond(const std::string& bytes)
{
    constexpr std::size_t block = 1 << 20;
    using Converter = tagwell::StreamConverter<char>;
    std::vector<char> out(Converter::maxOutput(block));
    std::size_t sink = 0;
    const double seconds = medianSeconds([&] {
        Converter converter(tagwell::CheckState::Checked);
        sink += std::size_t(converter.start(out.data()) - out.data());
        for (std::size_t at = 0; at < bytes.size(); at += block) {
            const std::size_t n = std::min(block, bytes.size() - at);
            sink += std::size_t(converter.feed(bytes.data() + at, n, out.data()) - out.data());
        }
        sink += std::size_t(converter.finish(out.data()) - out.data());
    });
    if (sink == 0)
        std::puts("empty");
    return double(bytes.size()) / (1 << 20) / seconds;
}

double memcpyMiBPerSecond(std::size_t bytes)
{
    std::vector<char> from(bytes, 'x');
    std::vector<char> to(bytes);
    const double seconds = medianSeconds([&] {
        std::memcpy(to.data(), from.data(), bytes);
        keep(to.data());
    });
    return double(bytes) / (1 << 20) / seconds;
}

} // namespace

int main(int argc, char** argv)
{
    std::string bytes;
    if (argc > 1) {
        std::ifstream in(argv[1], std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(in), {});
    } else {
        bytes = sampleSource(32 << 20);
    }
    const std::u16string text(bytes.begin(), bytes.end());

    const double utf16 = convertMiBPerSecond(text);
    const double utf16Memcpy = memcpyMiBPerSecond(text.size() * sizeof(char16_t));
    const double byteRate = convertMiBPerSecond(bytes);
    const double byteMemcpy = memcpyMiBPerSecond(bytes.size());
    const double streamRate = streamMiBPerSecond(bytes);
    std::printf("input_mib %.1f\n", double(bytes.size()) / (1 << 20));
    std::printf("core_utf16_mib_per_s %.0f\nmemcpy_utf16_size_mib_per_s %.0f\nutf16_vs_memcpy %.3f\n", utf16,
                utf16Memcpy, utf16 / utf16Memcpy);
    std::printf("core_bytes_mib_per_s %.0f\nmemcpy_bytes_size_mib_per_s %.0f\nbytes_vs_memcpy %.3f\n", byteRate,
                byteMemcpy, byteRate / byteMemcpy);
    std::printf("core_bytes_stream_mib_per_s %.0f\nstream_vs_memcpy %.3f\n", streamRate, streamRate / byteMemcpy);
}
