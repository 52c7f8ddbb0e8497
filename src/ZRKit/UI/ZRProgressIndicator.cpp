#include "ZRKit/UI/ZRProgressIndicator.h"

#include <QPainter>

#include <cmath>

namespace {
constexpr int Spokes = 12;
}

ZRProgressIndicator::ZRProgressIndicator(QWidget* parent)
    : QWidget(parent) {
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    resize(sizeHint());
    m_timer.setInterval(80);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_step = (m_step + 1) % Spokes;
        update();
    });
}

void ZRProgressIndicator::startAnimation() {
    m_timer.start();
}

void ZRProgressIndicator::stopAnimation() {
    m_timer.stop();
}

void ZRProgressIndicator::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal side = std::min(width(), height());
    painter.translate(width() / 2.0, height() / 2.0);
    QColor color = palette().color(QPalette::WindowText);
    for (int i = 0; i < Spokes; ++i) {
        color.setAlphaF(0.15f + 0.85f * static_cast<float>((i + Spokes - m_step) % Spokes) / Spokes);
        painter.setPen(QPen(color, side / 8, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(0, -side * 0.22), QPointF(0, -side * 0.42));
        painter.rotate(360.0 / Spokes);
    }
}
