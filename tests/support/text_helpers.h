// Shared by the suites: moving test texts between Qt's types and the core's,
// and random texts rich in the pieces of pre tags.
#pragma once

#include "core/conversion.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

#include <string>
#include <string_view>

inline std::string toBytes(const QByteArray& bytes)
{
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

inline std::u16string toUtf16(const QString& text)
{
    return text.toStdU16String();
}

// Each code unit as it is: QString::fromStdU16String() reads a byte order
// mark at the start as one, and drops it.
inline QString fromUtf16(const std::u16string& text)
{
    return QStringView(text).toString();
}

// Texts made of tag fragments, so that tags form, break and nest across any
// cut: most random cases hit the interesting paths.
template <class Ch> std::basic_string<Ch> randomTagText(QRandomGenerator& random, int maxPieces)
{
    static constexpr std::string_view pieces[] = {"<",  ">",  "/", "pre", "p",    "re",  "e",    "<pre>", "</pre>",
                                                  "</", "<p", "x", "\n",  "&lt;", "PRE", "\r\n", " "};
    std::basic_string<Ch> text;
    const int count = random.bounded(maxPieces + 1);
    for (int i = 0; i < count; ++i) {
        const auto piece = pieces[random.bounded(int(std::size(pieces)))];
        text.append(piece.begin(), piece.end());
    }
    return text;
}
