#include "ui/TitleHeader.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyleOptionHeader>

#include <algorithm>

namespace kestrom {

namespace {

/// Room around a title's text.
constexpr int TitleMargin = 3;

} // namespace

TitleHeader::TitleHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setHighlightSections(false);
}

void TitleHeader::SetVertical(bool vertical) {
    if (vertical == vertical_) return;
    vertical_ = vertical;
    updateGeometry();
    viewport()->update();
}

QSize TitleHeader::sizeHint() const {
    QSize hint = QHeaderView::sizeHint();
    if (!vertical_) return hint;
    int height = fontMetrics().height() + 2 * TitleMargin;
    for (int i = 0; i < count(); ++i)
        if (!isSectionHidden(i)) height = std::max(height, sectionSizeFromContents(i).height());
    hint.setHeight(height);
    return hint;
}

QSize TitleHeader::sectionSizeFromContents(int logicalIndex) const {
    if (!vertical_ || model() == nullptr) return QHeaderView::sectionSizeFromContents(logicalIndex);
    const QString text =
        model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    const QFontMetrics fm = fontMetrics();
    return {fm.height() + 2 * TitleMargin, fm.horizontalAdvance(text) + 2 * TitleMargin};
}

void TitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!vertical_) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        return;
    }
    if (!rect.isValid()) return;
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    const QString text = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    // The frame and background of the section (and, later, its sort mark).
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);

    // The text turned a quarter to the left: it starts at the bottom.
    painter->save();
    painter->setClipRect(rect);
    painter->translate(rect.left(), rect.bottom() + 1);
    painter->rotate(-90);
    const QRect turned(TitleMargin, 0, rect.height() - 2 * TitleMargin, rect.width());
    painter->setPen(opt.palette.color(QPalette::ButtonText));
    painter->drawText(turned, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

} // namespace kestrom
