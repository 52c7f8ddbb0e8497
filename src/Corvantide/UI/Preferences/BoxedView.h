#pragma once

#include <QColor>
#include <QWidget>

/*! A plain view that paints a background colour and up to four border lines, such as the bar under a
    table. A colour that is not valid means none; every change repaints the view. */
class BoxedView : public QWidget {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(BoxedView)
    Q_PROPERTY(QColor backgroundColor READ backgroundColor WRITE setBackgroundColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor topLineColor READ topLineColor WRITE setTopLineColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor rightLineColor READ rightLineColor WRITE setRightLineColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor bottomLineColor READ bottomLineColor WRITE setBottomLineColor NOTIFY appearanceChanged)
    Q_PROPERTY(QColor leftLineColor READ leftLineColor WRITE setLeftLineColor NOTIFY appearanceChanged)
    Q_PROPERTY(double topLineWidth READ topLineWidth WRITE setTopLineWidth NOTIFY appearanceChanged)
    Q_PROPERTY(double rightLineWidth READ rightLineWidth WRITE setRightLineWidth NOTIFY appearanceChanged)
    Q_PROPERTY(double bottomLineWidth READ bottomLineWidth WRITE setBottomLineWidth NOTIFY appearanceChanged)
    Q_PROPERTY(double leftLineWidth READ leftLineWidth WRITE setLeftLineWidth NOTIFY appearanceChanged)

public:
    explicit BoxedView(QWidget* parent = nullptr);

    QColor backgroundColor() const { return m_backgroundColor; }
    void setBackgroundColor(const QColor& color);
    QColor topLineColor() const { return m_topLineColor; }
    void setTopLineColor(const QColor& color);
    QColor rightLineColor() const { return m_rightLineColor; }
    void setRightLineColor(const QColor& color);
    QColor bottomLineColor() const { return m_bottomLineColor; }
    void setBottomLineColor(const QColor& color);
    QColor leftLineColor() const { return m_leftLineColor; }
    void setLeftLineColor(const QColor& color);

    double topLineWidth() const { return m_topLineWidth; }
    void setTopLineWidth(double width);
    double rightLineWidth() const { return m_rightLineWidth; }
    void setRightLineWidth(double width);
    double bottomLineWidth() const { return m_bottomLineWidth; }
    void setBottomLineWidth(double width);
    double leftLineWidth() const { return m_leftLineWidth; }
    void setLeftLineWidth(double width);

    bool allowsVibrancy() const { return false; }

Q_SIGNALS:
    void appearanceChanged();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void changed();

    QColor m_backgroundColor;
    QColor m_topLineColor;
    QColor m_rightLineColor;
    QColor m_bottomLineColor;
    QColor m_leftLineColor;
    double m_topLineWidth = 1.0;
    double m_rightLineWidth = 1.0;
    double m_bottomLineWidth = 1.0;
    double m_leftLineWidth = 1.0;
};
