// Decoding shared by the clipboard readers, so that a text pastes alike
// whichever way the desktop hands it over.
#include "platform/clipboard_text.h"

#include <QStringDecoder>

#include <algorithm>

namespace tagwell {

Text utf8Text(std::string_view bytes)
{
    // Without ConvertInitialBom the decoder would drop a leading mark.
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::ConvertInitialBom);
    const QByteArrayView view(bytes.data(), qsizetype(bytes.size()));
    Text text(size_t(decoder.requiredSpace(view.size())), u'\0');
    const QChar* end = decoder.appendToBuffer(reinterpret_cast<QChar*>(text.data()), view);
    text.resize(size_t(end - reinterpret_cast<const QChar*>(text.data())));
    return text;
}

Text latin1Text(std::string_view bytes)
{
    Text text(bytes.size(), u'\0');
    std::transform(bytes.begin(), bytes.end(), text.begin(),
                   [](char c) { return char16_t(static_cast<unsigned char>(c)); });
    return text;
}

} // namespace tagwell
