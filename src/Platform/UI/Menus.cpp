#include "Platform/UI/Menus.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QMenu>
#include <QPointer>
#include <QProxyStyle>
#include <QStyleFactory>

namespace Platform::Menus {

namespace {

// Every control character (tab, line feed, carriage return, ...) and the Unicode line and paragraph
// separators become one blank each.
QString oneLine(const QString& text) {
    QString line = text;
    for (QChar& c : line) {
        const char16_t code = c.unicode();
        if (code < 0x20 || code == 0x7f || code == 0x85 || code == 0x2028 || code == 0x2029)
            c = u' ';
    }
    return line;
}

// Asks the style in use for everything but one answer: menus scroll.
class ScrollingMenuStyle final : public QProxyStyle {
public:
    using QProxyStyle::QProxyStyle;

    int styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                  QStyleHintReturn* returnData) const override {
        if (hint == QStyle::SH_Menu_Scrollable)
            return 1;
        return QProxyStyle::styleHint(hint, option, widget, returnData);
    }
};

} // namespace

QString menuItemText(const QString& text) {
    QString escaped = oneLine(text);
    escaped.replace(u'&', QStringLiteral("&&"));
    return escaped;
}

QString exportedMenuItemText(const QString& text) {
    QString escaped = oneLine(text);
    escaped.replace(u'_', QStringLiteral("__"));
    if (escaped.contains(u'&'))
        escaped.prepend(QStringLiteral(u"&\u200b"));
    return escaped;
}

QString itemText(const QMenu* menu, const QString& text) {
    return menu && const_cast<QMenu*>(menu)->platformMenu() ? exportedMenuItemText(text) : menuItemText(text);
}

QAction* addItem(QMenu* menu, const QString& text) {
    return menu->addAction(itemText(menu, text));
}

QString popUpItemText(const QString& text) {
    return oneLine(text);
}

void fitPopUpToItems(QComboBox* popUp) {
    popUp->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // The window makes room for the button rather than squeezing it below its longest item.
    popUp->setSizePolicy(QSizePolicy::Fixed, popUp->sizePolicy().verticalPolicy());
    popUp->view()->setTextElideMode(Qt::ElideNone);
}

void makeScrollable(QMenu* menu) {
    // One style serves every menu; it goes with the application object.
    static QPointer<QProxyStyle> style;
    if (!style) {
        // The application's own style underneath, whichever was chosen.
        style = new ScrollingMenuStyle(QStyleFactory::create(QApplication::style()->name()));
        style->setParent(QCoreApplication::instance());
    }
    menu->setStyle(style);
}

} // namespace Platform::Menus
