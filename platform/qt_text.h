// The core's UTF-16 text as a QString, unit for unit, copied or viewed. Qt's own
// QString::fromUtf16() and fromStdU16String() take a leading U+FEFF or U+FFFE
// for a byte order mark: they drop it, or swap the bytes of every unit.
#pragma once

#include <QString>

#include <string_view>

namespace tagwell {

inline QString toQString(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

// The same without a copy: a QString over the text's own units, for as long
// as the text lives unchanged.
inline QString viewAsQString(std::u16string_view text)
{
    return QString::fromRawData(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}

} // namespace tagwell
