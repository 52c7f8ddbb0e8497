#include "ZRKit/UI/ZRColor.h"

#include "Platform/Assert.h"

#include <QGuiApplication>
#include <QPalette>
#include <QRandomGenerator>

#include <algorithm>
#include <cctype>

namespace ZRColor {

namespace {

/*! Reads one leading hexadecimal number like a text scanner: optional blanks and "0x", then digits up
    to the first other character; saturates at the largest 32-bit value. */
quint32 scanHexInt(QStringView text) {
    qsizetype i = 0;
    while (i < text.size() && text[i].isSpace())
        ++i;
    if (i + 2 < text.size() && text[i] == u'0' && (text[i + 1] == u'x' || text[i + 1] == u'X') &&
        isxdigit(static_cast<unsigned char>(text[i + 2].toLatin1())))
        i += 2;
    quint64 value = 0;
    for (; i < text.size(); ++i) {
        const char c = text[i].toLatin1();
        if (text[i].unicode() > 127 || !isxdigit(static_cast<unsigned char>(c)))
            break;
        const int digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        value = std::min<quint64>(value * 16 + digit, 0xFFFFFFFFull);
    }
    return static_cast<quint32>(value);
}

QPalette applicationPalette() {
    return qGuiApp ? QGuiApplication::palette() : QPalette();
}

} // namespace

QColor colorWithQuickDrawColorInDictionaryKey(const QVariantMap& dictionary, const QString& key) {
    const QVariant red = dictionary.value(key + QStringLiteral(".red"));
    const QVariant green = dictionary.value(key + QStringLiteral(".green"));
    const QVariant blue = dictionary.value(key + QStringLiteral(".blue"));
    Platform::parameterAssert(red.isValid(), "No red value in color dictionary");
    Platform::parameterAssert(green.isValid(), "No green value in color dictionary");
    Platform::parameterAssert(blue.isValid(), "No blue value in color dictionary");
    return colorWithQuickDrawRedGreenBlue(static_cast<quint16>(red.toUInt()),
                                          static_cast<quint16>(green.toUInt()),
                                          static_cast<quint16>(blue.toUInt()));
}

QColor colorWithQuickDrawRedGreenBlue(quint16 red, quint16 green, quint16 blue) {
    return QColor::fromRgbF(red / 65535.0f, green / 65535.0f, blue / 65535.0f, 1.0f);
}

QColor colorWithRedIntGreenIntBlueIntAlphaInt(int red, int green, int blue, int alpha) {
    Q_UNUSED(alpha)
    return QColor::fromRgbF(red / 255.0f, green / 255.0f, blue / 255.0f, 1.0f);
}

QColor colorWithRedIntGreenIntBlueInt(int red, int green, int blue) {
    return colorWithRedIntGreenIntBlueIntAlphaInt(red, green, blue, 1);
}

QColor colorWithWhiteIntAlphaInt(int white, int alpha) {
    return colorWithRedIntGreenIntBlueIntAlphaInt(white, white, white, alpha);
}

QColor colorWithHexString(const QString& text) {
    QStringView digits(text);
    if (digits.startsWith(u'#'))
        digits = digits.mid(1);
    const quint32 value = scanHexInt(digits);
    return QColor::fromRgbF(((value >> 16) & 0xFF) / 255.0f, ((value >> 8) & 0xFF) / 255.0f,
                            (value & 0xFF) / 255.0f, 1.0f);
}

QColor randomColor() {
    QRandomGenerator* random = QRandomGenerator::global();
    const float hue = (random->generate() & 255) / 256.0f;
    const float saturation = (random->generate() & 127) / 256.0f + 0.5f;
    const float brightness = (random->generate() & 127) / 256.0f + 0.5f;
    return QColor::fromHsvF(hue, saturation, brightness, 1.0f);
}

QColor zr_linkColor() {
    return applicationPalette().color(QPalette::Link);
}

QColor zr_colorNamed(const QString& name) {
    return QColor::fromString(name);
}

QColor zr_controlAccentColor() {
    return applicationPalette().color(QPalette::Highlight);
}

QString hexadecimalStringValue(const QColor& color) {
    if (!color.isValid())
        return {};
    const QColor rgb = color.toRgb();
    const auto component = [](float value) {
        return QStringLiteral("%1").arg(static_cast<long>(value * 255.99998474121094), 2, 16,
                                        QLatin1Char('0'));
    };
    return QLatin1Char('#') + component(rgb.redF()) + component(rgb.greenF()) + component(rgb.blueF());
}

QColor zr_colorWithSystemEffect(const QColor& color, ZRColorSystemEffect effect) {
    switch (effect) {
    case ZRColorSystemEffect::None:
        return color;
    case ZRColorSystemEffect::Pressed:
        return color.darker(115);
    case ZRColorSystemEffect::DeepPressed:
        return color.darker(135);
    case ZRColorSystemEffect::Disabled: {
        QColor disabled = color;
        disabled.setAlphaF(color.alphaF() * 0.5f);
        return disabled;
    }
    case ZRColorSystemEffect::Rollover:
        return color.lighter(125);
    }
    return color;
}

} // namespace ZRColor
