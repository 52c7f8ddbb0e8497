#include "ZRKit/UI/ZRHoverTextButton.h"

#include "ZRKit/UI/ZRColor.h"

#include <QEnterEvent>
#include <QPainter>

namespace {

Qt::TextElideMode elideMode(ZRLineBreakMode mode) {
    switch (mode) {
    case ZRLineBreakMode::TruncatingHead:
        return Qt::ElideLeft;
    case ZRLineBreakMode::TruncatingMiddle:
        return Qt::ElideMiddle;
    case ZRLineBreakMode::TruncatingTail:
        return Qt::ElideRight;
    default:
        return Qt::ElideNone;
    }
}

} // namespace

ZRHoverTextButton::ZRHoverTextButton(QWidget* parent)
    : QPushButton(parent) {
    setFlat(true);
    setupTrackingRect();
}

void ZRHoverTextButton::awakeFromNib() {
    setupTrackingRect();
    setAttributedStringTitleFromString(text());
}

void ZRHoverTextButton::setupTrackingRect() {
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
}

void ZRHoverTextButton::setTitle(const QString& title) {
    setText(title);
    setAttributedStringTitleFromString(title);
}

void ZRHoverTextButton::setTextColor(const QColor& color) {
    m_textColor = color;
    rebuildTitle();
}

void ZRHoverTextButton::setMouseOverAttributes(const QVariantMap& attributes) {
    m_mouseOverAttributes = attributes;
    rebuildTitle();
}

void ZRHoverTextButton::setMouseInside(bool inside) {
    m_mouseInside = inside;
    rebuildTitle();
}

void ZRHoverTextButton::setLineBreakMode(ZRLineBreakMode mode) {
    m_lineBreakMode = mode;
    m_paragraphStyle.reset();
    rebuildTitle();
}

void ZRHoverTextButton::setAlignment(Qt::Alignment alignment) {
    m_alignment = alignment;
    m_paragraphStyle.reset();
    rebuildTitle();
}

QColor ZRHoverTextButton::atttributedStringColor() const {
    if (m_mouseInside)
        return ZRColor::zr_colorWithSystemEffect(ZRColor::zr_controlAccentColor(),
                                                 ZRColorSystemEffect::Rollover);
    return m_textColor.isValid() ? m_textColor : palette().color(QPalette::ButtonText);
}

ZRParagraphStyle ZRHoverTextButton::attributedStringParagraphStyle() const {
    if (!m_paragraphStyle)
        m_paragraphStyle = ZRParagraphStyle{m_alignment, m_lineBreakMode};
    return *m_paragraphStyle;
}

void ZRHoverTextButton::setAttributedStringTitleFromString(const QString& text) {
    QVariantMap attributes{
        {ZRTextAttribute::ParagraphStyle, QVariant::fromValue(attributedStringParagraphStyle())},
        {ZRTextAttribute::Font, font()}};
    const QColor color = atttributedStringColor();
    if (color.isValid())
        attributes.insert(ZRTextAttribute::ForegroundColor, color);
    if (m_mouseInside)
        attributes.insert(m_mouseOverAttributes);
    QString oneLine = text;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));
    m_attributedTitle = ZRAttributedString{oneLine, attributes};
    m_titleSource = text;
    updateGeometry();
    update();
}

void ZRHoverTextButton::rebuildTitle() {
    setAttributedStringTitleFromString(text());
}

QFont ZRHoverTextButton::titleFont() const {
    QFont titleFont = m_attributedTitle.attributes.value(ZRTextAttribute::Font, font()).value<QFont>();
    if (m_attributedTitle.attributes.value(ZRTextAttribute::Underline).toBool())
        titleFont.setUnderline(true);
    return titleFont;
}

QSize ZRHoverTextButton::sizeHint() const {
    const QFontMetrics metrics(titleFont());
    return QSize(metrics.horizontalAdvance(m_attributedTitle.string) + 8, metrics.height() + 4);
}

void ZRHoverTextButton::enterEvent(QEnterEvent* event) {
    QPushButton::enterEvent(event);
    setMouseInside(true);
}

void ZRHoverTextButton::leaveEvent(QEvent* event) {
    QPushButton::leaveEvent(event);
    setMouseInside(false);
}

void ZRHoverTextButton::paintEvent(QPaintEvent*) {
    // A form sets the text with setText; the title follows it.
    if (m_titleSource != text())
        rebuildTitle();
    QPainter painter(this);
    const ZRParagraphStyle style = attributedStringParagraphStyle();
    const QFont font = titleFont();
    painter.setFont(font);
    painter.setPen(m_attributedTitle.attributes.value(ZRTextAttribute::ForegroundColor).value<QColor>());
    const QRect area = rect().adjusted(2, 0, -2, 0);
    const bool wraps = style.lineBreakMode == ZRLineBreakMode::WordWrapping ||
                       style.lineBreakMode == ZRLineBreakMode::CharWrapping;
    const QString shown =
        QFontMetrics(font).elidedText(m_attributedTitle.string, elideMode(style.lineBreakMode), area.width());
    painter.drawText(
        area, static_cast<int>(style.alignment | Qt::AlignVCenter) | (wraps ? Qt::TextWordWrap : 0), shown);
}
