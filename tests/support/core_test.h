// What the suites without a window include for doctest: the framework, and
// how it shows the texts it compares when a check fails (16-bit texts as
// UTF-8 with their odd units spelled out).
#pragma once

#include <doctest.h>

#include <cstdio>
#include <optional>
#include <string>

namespace doctest {

template <> struct StringMaker<std::u16string> {
    static String convert(const std::u16string& text)
    {
        std::string out = "u\"";
        for (const char16_t c : text) {
            if (c >= 0x20 && c < 0x7F && c != u'\\') {
                out += char(c);
            } else {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\x%04X", unsigned(c));
                out += escaped;
            }
        }
        return (out + "\"").c_str();
    }
};

template <class T> struct StringMaker<std::optional<T>> {
    static String convert(const std::optional<T>& value)
    {
        return value ? StringMaker<T>::convert(*value) : String("(nothing)");
    }
};

} // namespace doctest
