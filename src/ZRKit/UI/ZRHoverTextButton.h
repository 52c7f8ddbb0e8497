#pragma once

#include "ZRKit/UI/ZRAttributedString.h"

#include <QColor>
#include <QPushButton>

#include <optional>

/*! A borderless text button that looks like a link: its title switches to the accent colour (and
    optionally to extra text attributes) while the mouse is over it. */
class ZRHoverTextButton : public QPushButton {
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(ZRHoverTextButton)

public:
    explicit ZRHoverTextButton(QWidget* parent = nullptr);

    /*! Builds the title from the current text; call it after a form set the text. */
    void awakeFromNib();
    /*! Tracks the mouse over the whole button. */
    void setupTrackingRect();

    void setTitle(const QString& title);
    QString title() const { return text(); }

    /*! The title colour while the mouse is outside; invalid means the label colour. */
    QColor textColor() const { return m_textColor; }
    void setTextColor(const QColor& color);
    /*! Added to the title's attributes while the mouse is inside. */
    QVariantMap mouseOverAttributes() const { return m_mouseOverAttributes; }
    void setMouseOverAttributes(const QVariantMap& attributes);
    bool mouseInside() const { return m_mouseInside; }
    void setMouseInside(bool inside);

    ZRLineBreakMode lineBreakMode() const { return m_lineBreakMode; }
    void setLineBreakMode(ZRLineBreakMode mode);
    Qt::Alignment alignment() const { return m_alignment; }
    void setAlignment(Qt::Alignment alignment);

    QColor atttributedStringColor() const;
    ZRParagraphStyle attributedStringParagraphStyle() const;
    void setAttributedStringTitleFromString(const QString& text);
    ZRAttributedString attributedTitle() const { return m_attributedTitle; }

    QSize sizeHint() const override;

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void rebuildTitle();
    QFont titleFont() const;

    QColor m_textColor;
    QVariantMap m_mouseOverAttributes;
    bool m_mouseInside = false;
    ZRLineBreakMode m_lineBreakMode = ZRLineBreakMode::TruncatingTail;
    Qt::Alignment m_alignment = Qt::AlignHCenter;
    mutable std::optional<ZRParagraphStyle> m_paragraphStyle;
    ZRAttributedString m_attributedTitle;
    QString m_titleSource;
};
