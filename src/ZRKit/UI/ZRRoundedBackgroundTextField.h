#pragma once

#include <QColor>
#include <QLabel>
#include <QSizeF>

/*! A label drawn centred on a filled capsule, like a badge. An empty label draws nothing. */
class ZRRoundedBackgroundTextField : public QLabel {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ZRRoundedBackgroundTextField)

public:
    explicit ZRRoundedBackgroundTextField(QWidget* parent = nullptr);

    QColor badgeColor() const { return m_badgeColor; }
    void setBadgeColor(const QColor& color);
    /*! Room added around the text: twice the width (plus 6 points) and once the height. */
    QSizeF extraSpace() const { return m_extraSpace; }
    void setExtraSpace(const QSizeF& extraSpace);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QColor m_badgeColor;
    QSizeF m_extraSpace;
};
