// Shared by the Qt suites: moving test texts between Qt's types and the
// core's, and the random tag texts.
#pragma once

#include "platform/qt_text.h"
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

// Unit for unit, as the program hands its texts to Qt.
inline QString fromUtf16(std::u16string_view text)
{
    return tagwell::toQString(text);
}
