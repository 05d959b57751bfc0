#include "core/failures.h"

#include "core/commands.h"

#include <new>
#include <stdexcept>

namespace tagwell {

namespace {

// UTF-8 to UTF-16; a byte that does not decode stands for U+FFFD.
std::u16string fromUtf8(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size());
    for (std::size_t i = 0; i < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80                   ? 1
                                   : lead >= 0xF0 && lead < 0xF5 ? 4
                                   : lead >= 0xE0                ? 3
                                   : lead >= 0xC2                ? 2
                                                                 : 0;
        char32_t c = length == 1 ? lead : length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
        bool valid = length > 0 && i + length <= bytes.size();
        for (std::size_t k = 1; valid && k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            valid = (next & 0xC0) == 0x80;
            c = c << 6 | (next & 0x3F);
        }
        valid = valid && c <= 0x10FFFF && !(c >= 0xD800 && c < 0xE000) &&
                c >= (length == 4   ? 0x10000u
                      : length == 3 ? 0x800u
                                    : 0u);
        if (!valid) {
            text += u'\uFFFD';
            ++i;
            continue;
        }
        if (c >= 0x10000) {
            text += char16_t(0xD800 + ((c - 0x10000) >> 10));
            text += char16_t(0xDC00 + ((c - 0x10000) & 0x3FF));
        } else {
            text += char16_t(c);
        }
        i += length;
    }
    return text;
}

} // namespace

const char* PlatformError::what() const noexcept
{
    switch (failure_) {
    case Failure::ClipboardUnreadable:
        return "the clipboard could not be read";
    case Failure::ClipboardUnwritable:
        return "the clipboard could not be written";
    case Failure::NoBrowser:
        return "no web browser could be started";
    case Failure::OutOfMemory:
    case Failure::TextNotShown:
        return "out of memory";
    case Failure::Unexpected:
        break;
    }
    return "the command failed";
}

std::u16string messageFor(Failure failure, std::string_view detail)
{
    switch (failure) {
    case Failure::ClipboardUnreadable:
        return u"无法读取剪贴板。\nThe clipboard could not be read.";
    case Failure::ClipboardUnwritable:
        return u"无法写入剪贴板。\nThe clipboard could not be written.";
    case Failure::NoBrowser:
        return u"无法打开浏览器。请手动访问：\n" + std::u16string(helpAddress()) +
               u"\n\nNo web browser could be started. Please open the address above by hand.";
    case Failure::OutOfMemory:
        return u"内存不足，操作未完成。文本保留为最后完成的步骤。\n"
               u"Out of memory: the command stopped; the text is as its last finished step left it.";
    case Failure::TextNotShown:
        return u"内存不足，无法显示文本。\nOut of memory: the text could not be shown.";
    case Failure::Unexpected:
        break;
    }
    return u"操作失败。\nThe command failed: " + fromUtf8(detail);
}

std::u16string messageForCurrentException()
{
    try {
        throw;
    } catch (const PlatformError& error) {
        return messageFor(error.failure());
    } catch (const std::bad_alloc&) {
        return messageFor(Failure::OutOfMemory);
    } catch (const std::length_error&) {
        return messageFor(Failure::OutOfMemory);
    } catch (const std::exception& error) {
        return messageFor(Failure::Unexpected, error.what());
    }
}

} // namespace tagwell
