#include "ZRKit/UI/ZRRoundedBackgroundTextField.h"

#include <QPainter>

#include <cmath>

ZRRoundedBackgroundTextField::ZRRoundedBackgroundTextField(QWidget* parent)
    : QLabel(parent)
    , m_badgeColor(QColor::fromRgbF(0.6f, 0.6f, 0.6f, 0.4f)) {}

void ZRRoundedBackgroundTextField::setBadgeColor(const QColor& color) {
    m_badgeColor = color;
    update();
}

void ZRRoundedBackgroundTextField::setExtraSpace(const QSizeF& extraSpace) {
    m_extraSpace = extraSpace;
    updateGeometry();
    update();
}

QSize ZRRoundedBackgroundTextField::sizeHint() const {
    ensurePolished(); // the label's own hint depends on the style's font
    const QSize plain = QLabel::sizeHint();
    return QSize(plain.width() + qRound(2 * m_extraSpace.width() + 6),
                 plain.height() + qRound(m_extraSpace.height()));
}

void ZRRoundedBackgroundTextField::paintEvent(QPaintEvent*) {
    if (text().isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal radius = std::floor(height() / 2.0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(m_badgeColor);
    painter.drawRoundedRect(QRectF(rect()), radius, radius);

    // Text fields run top-down, so the half extra height moves the text down into the middle.
    const QRectF textArea(0, std::floor(m_extraSpace.height() / 2), width(), height());
    const QString shown = fontMetrics().elidedText(text(), Qt::ElideLeft, width());
    painter.setPen(palette().color(foregroundRole()));
    painter.drawText(textArea, Qt::AlignHCenter | Qt::AlignTop, shown);
}
