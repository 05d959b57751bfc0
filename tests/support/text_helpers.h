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

inline QString fromUtf16(const std::u16string& text)
{
    return QString::fromStdU16String(text);
}

inline QString fromUtf16(std::u16string_view text)
{
    return QString::fromUtf16(text.data(), qsizetype(text.size()));
}
