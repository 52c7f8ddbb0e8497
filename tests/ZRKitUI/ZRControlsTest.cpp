#include "ZRKit/UI/ZRColor.h"
#include "ZRKit/UI/ZRHoverTextButton.h"
#include "ZRKit/UI/ZRRoundedBackgroundTextField.h"

#include <QCoreApplication>
#include <QEnterEvent>
#include <QImage>
#include <QLabel>

#include <gtest/gtest.h>

namespace {

void enter(QWidget& widget) {
    QEnterEvent event(QPointF(2, 2), QPointF(2, 2), QPointF(2, 2));
    QCoreApplication::sendEvent(&widget, &event);
}

void leave(QWidget& widget) {
    QEvent event(QEvent::Leave);
    QCoreApplication::sendEvent(&widget, &event);
}

QColor titleColor(const ZRHoverTextButton& button) {
    return button.attributedTitle().attributes.value(ZRTextAttribute::ForegroundColor).value<QColor>();
}

/*! What the widget itself paints, on a transparent canvas. */
QImage rendered(QWidget& widget) {
    QImage image(widget.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    widget.render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

} // namespace

TEST(ZRHoverTextButtonTest, TitlesAreOneLine) {
    ZRHoverTextButton button;
    button.setTitle(QStringLiteral("Open\nin browser"));
    EXPECT_EQ(button.attributedTitle().string, QStringLiteral("Open in browser"));
    button.setTitle(QString());
    EXPECT_EQ(button.attributedTitle().string, QString());

    // Text set the way a form sets it is picked up when the button is built or painted.
    button.setText(QStringLiteral("From\nform"));
    button.awakeFromNib();
    EXPECT_EQ(button.attributedTitle().string, QStringLiteral("From form"));
}

TEST(ZRHoverTextButtonTest, HoveringSwitchesColourAndExtraAttributes) {
    ZRHoverTextButton button;
    button.setTitle(QStringLiteral("Details"));
    button.setTextColor(Qt::darkGreen);
    button.setMouseOverAttributes({{ZRTextAttribute::Underline, true}});
    EXPECT_EQ(titleColor(button), QColor(Qt::darkGreen));
    EXPECT_FALSE(button.attributedTitle().attributes.contains(ZRTextAttribute::Underline));

    enter(button);
    EXPECT_TRUE(button.mouseInside());
    EXPECT_EQ(titleColor(button), ZRColor::zr_colorWithSystemEffect(ZRColor::zr_controlAccentColor(),
                                                                    ZRColorSystemEffect::Rollover));
    EXPECT_TRUE(button.attributedTitle().attributes.value(ZRTextAttribute::Underline).toBool());

    leave(button);
    EXPECT_FALSE(button.mouseInside());
    EXPECT_EQ(titleColor(button), QColor(Qt::darkGreen));
    EXPECT_FALSE(button.attributedTitle().attributes.contains(ZRTextAttribute::Underline));

    button.setTextColor(QColor());
    EXPECT_EQ(titleColor(button), button.palette().color(QPalette::ButtonText));
}

TEST(ZRHoverTextButtonTest, ParagraphStyleFollowsAlignmentAndLineBreaks) {
    ZRHoverTextButton button;
    button.setTitle(QStringLiteral("A rather long title"));
    const auto style = [&] {
        return button.attributedTitle()
            .attributes.value(ZRTextAttribute::ParagraphStyle)
            .value<ZRParagraphStyle>();
    };
    button.setAlignment(Qt::AlignRight);
    EXPECT_EQ(style().alignment, Qt::AlignRight);
    EXPECT_EQ(button.attributedStringParagraphStyle().alignment, Qt::AlignRight);
    button.setLineBreakMode(ZRLineBreakMode::TruncatingMiddle);
    EXPECT_EQ(style().lineBreakMode, ZRLineBreakMode::TruncatingMiddle);
    EXPECT_EQ(style().alignment, Qt::AlignRight);

    button.resize(40, 20);
    const QImage image = rendered(button); // paints without a display, eliding the long title
    EXPECT_EQ(image.size(), QSize(40, 20));
}

TEST(ZRRoundedBackgroundTextFieldTest, ExtraSpaceGrowsTheBadge) {
    QLabel plain;
    plain.setText(QStringLiteral("12"));
    plain.ensurePolished();
    ZRRoundedBackgroundTextField badge;
    badge.setText(QStringLiteral("12"));
    badge.setExtraSpace(QSizeF(4, 2));
    EXPECT_EQ(badge.sizeHint().width(), plain.sizeHint().width() + 14);
    EXPECT_EQ(badge.sizeHint().height(), plain.sizeHint().height() + 2);
    EXPECT_EQ(badge.badgeColor(), QColor::fromRgbF(0.6f, 0.6f, 0.6f, 0.4f));
}

TEST(ZRRoundedBackgroundTextFieldTest, DrawsACapsuleOnlyWithText) {
    ZRRoundedBackgroundTextField badge;
    badge.resize(60, 20);
    badge.setBadgeColor(Qt::red);
    badge.setText(QString());
    const QImage empty = rendered(badge);
    bool anything = false;
    for (int y = 0; y < empty.height(); ++y)
        for (int x = 0; x < empty.width(); ++x)
            anything = anything || empty.pixelColor(x, y).alpha() != 0;
    EXPECT_FALSE(anything);

    badge.setText(QStringLiteral("7"));
    const QImage filled = rendered(badge);
    EXPECT_EQ(filled.pixelColor(12, 10), QColor(Qt::red)); // inside the capsule, away from the text
    EXPECT_EQ(filled.pixelColor(0, 0).alpha(), 0);         // the rounded corner is left out
}
