#include "ZRKit/ZRXattrEditor.h"

#include "Platform/Assert.h"

#include <QFile>
#include <QStringDecoder>

#include <sys/xattr.h>

namespace ZRXattrEditor {

QByteArray systemName(const QString& name) {
    const QByteArray utf8 = name.toUtf8();
    for (const char* space : {"user.", "trusted.", "security.", "system."})
        if (utf8.startsWith(space))
            return utf8;
    return QByteArrayLiteral("user.") + utf8;
}

std::optional<QString> valueForNameAtPath(const QString& name, const QString& path) {
    Platform::parameterAssert(!name.isEmpty(), "0 < [inName length]");
    Platform::parameterAssert(!path.isEmpty(), "0 < [inPath length]");
    char buffer[1024];
    const ssize_t length =
        ::getxattr(QFile::encodeName(path).constData(), systemName(name).constData(), buffer, sizeof(buffer));
    if (length <= 0)
        return std::nullopt; // missing, empty, longer than the buffer (ERANGE), or refused
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    const QString text = decoder.decode(QByteArrayView(buffer, length));
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

bool setValueForNameAtPath(const QString& value, const QString& name, const QString& path) {
    Platform::parameterAssert(!value.isEmpty(), "0 < [inValue length]");
    Platform::parameterAssert(!name.isEmpty(), "0 < [inName length]");
    Platform::parameterAssert(!path.isEmpty(), "0 < [inPath length]");
    const QByteArray bytes = value.toUtf8();
    return ::setxattr(QFile::encodeName(path).constData(), systemName(name).constData(), bytes.constData(),
                      static_cast<size_t>(bytes.size()), 0) == 0;
}

bool removeValueForNameAtPath(const QString& name, const QString& path) {
    Platform::parameterAssert(!name.isEmpty(), "0 < [inName length]");
    Platform::parameterAssert(!path.isEmpty(), "0 < [inPath length]");
    return ::removexattr(QFile::encodeName(path).constData(), systemName(name).constData()) == 0;
}

} // namespace ZRXattrEditor
