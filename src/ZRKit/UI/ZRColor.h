#pragma once

#include <QColor>
#include <QString>
#include <QVariantMap>

/*! The platform's variations of a colour for the state of the control that shows it. */
enum class ZRColorSystemEffect { None = 0, Pressed = 1, DeepPressed = 2, Disabled = 3, Rollover = 4 };

/*! Colours from QuickDraw values, integers, hexadecimal text and at random; hexadecimal text of a
    colour; the desktop's system colours. */
namespace ZRColor {

/*! The 16-bit components stored under key + ".red", ".green" and ".blue" of the dictionary. A missing
    component is a programming error. */
QColor colorWithQuickDrawColorInDictionaryKey(const QVariantMap& dictionary, const QString& key);
QColor colorWithQuickDrawRedGreenBlue(quint16 red, quint16 green, quint16 blue);

/*! Components 0-255. The colours are always opaque: the alpha argument is kept for callers' symmetry,
    and the three-component form passes 1. */
QColor colorWithRedIntGreenIntBlueIntAlphaInt(int red, int green, int blue, int alpha);
QColor colorWithRedIntGreenIntBlueInt(int red, int green, int blue);
QColor colorWithWhiteIntAlphaInt(int white, int alpha);

/*! "FF8000" or "#FF8000": red in bits 16-23, green in 8-15, blue in 0-7; black when the text holds
    no hexadecimal number. */
QColor colorWithHexString(const QString& text);
QColor randomColor();

QColor zr_linkColor();
/*! A colour by its name ("orange", "#336699"); invalid when the name is unknown. */
QColor zr_colorNamed(const QString& name);
QColor zr_controlAccentColor();

/*! "#rrggbb" in lower case; a null string for an invalid colour. */
QString hexadecimalStringValue(const QColor& color);
QColor zr_colorWithSystemEffect(const QColor& color, ZRColorSystemEffect effect);

} // namespace ZRColor
