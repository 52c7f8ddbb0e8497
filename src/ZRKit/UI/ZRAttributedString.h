#pragma once

#include <QList>
#include <QString>
#include <QVariantMap>
#include <Qt>

/*! How text that does not fit is wrapped or cut, in the platform's numbering. */
enum class ZRLineBreakMode {
    WordWrapping = 0,
    CharWrapping = 1,
    Clipping = 2,
    TruncatingHead = 3,
    TruncatingTail = 4,
    TruncatingMiddle = 5
};

struct ZRParagraphStyle {
    Qt::Alignment alignment = Qt::AlignLeft;
    ZRLineBreakMode lineBreakMode = ZRLineBreakMode::WordWrapping;

    bool operator==(const ZRParagraphStyle&) const = default;
};

/*! Names of text attributes: a QColor, a QFont, a bool and a ZRParagraphStyle. */
namespace ZRTextAttribute {
inline const QString ForegroundColor = QStringLiteral("foregroundColor");
inline const QString Font = QStringLiteral("font");
inline const QString Underline = QStringLiteral("underline");
inline const QString ParagraphStyle = QStringLiteral("paragraphStyle");
} // namespace ZRTextAttribute

/*! Text with one set of attributes over its whole length. */
struct ZRAttributedString {
    QString string;
    QVariantMap attributes;
};

/*! Text made of runs, each with its own attributes. */
struct ZRMutableAttributedString {
    QList<ZRAttributedString> runs;

    QString string() const {
        QString text;
        for (const ZRAttributedString& run : runs)
            text += run.string;
        return text;
    }
    /*! Appends the text as a run with these attributes. */
    void appendStringWithAttributes(const QString& text, const QVariantMap& attributes) {
        runs.append(ZRAttributedString{text, attributes});
    }
};

Q_DECLARE_METATYPE(ZRParagraphStyle)
