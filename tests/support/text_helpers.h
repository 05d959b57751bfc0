// Shared by the Qt suites: moving test texts between Qt's types and the
// core's, and the random tag texts.
#pragma once

#include "random_text.h"

#include <QByteArray>
#include <QRandomGenerator>
#include <QString>

#include <string>

inline std::string toBytes(const QByteArray& bytes)
{
    return std::string(bytes.constData(), std::size_t(bytes.size()));
}

inline std::u16string toUtf16(const QString& text)
{
    return text.toStdU16String();
}

// Unit for unit: Qt's fromStdU16String() would drop a leading U+FEFF.
inline QString fromUtf16(std::u16string_view text)
{
    return QString(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
}
