#include "ui/TitleHeader.h"

#include "ui/FilterRow.h"

#include <QFontMetrics>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
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
    connect(this, &QHeaderView::sectionResized, this, &TitleHeader::PlaceFilterRow);
    connect(this, &QHeaderView::sectionMoved, this, &TitleHeader::PlaceFilterRow);
    connect(this, &QHeaderView::sectionCountChanged, this, &TitleHeader::PlaceFilterRow);
    connect(this, &QHeaderView::geometriesChanged, this, &TitleHeader::PlaceFilterRow);
}

void TitleHeader::SetVertical(bool vertical) {
    if (vertical == vertical_) return;
    vertical_ = vertical;
    updateGeometry();
    viewport()->update();
}

void TitleHeader::SetMarks(QHash<int, Mark> marks) {
    marks_ = std::move(marks);
    viewport()->update();
}

void TitleHeader::SetFilterRow(FilterRow* row) {
    filterRow_ = row;
    if (row != nullptr) row->setParent(this);
    updateGeometries();
    updateGeometry();
}

QFont TitleHeader::PlaceFont() const {
    QFont small = font();
    small.setPixelSize(std::max(6, MarkSide() + 2));
    return small;
}

int TitleHeader::MarkWidth() const {
    return MarkSide() + 3 + QFontMetrics(PlaceFont()).horizontalAdvance(QStringLiteral("99"));
}

int TitleHeader::MarkSide() const {
    return std::max(5, fontMetrics().height() / 2);
}

int TitleHeader::FilterHeight() const {
    return filterRow_ != nullptr && !filterRow_->isHidden() ? filterRow_->sizeHint().height() : 0;
}

QSize TitleHeader::sizeHint() const {
    QSize hint = QHeaderView::sizeHint();
    if (vertical_) {
        int height = fontMetrics().height() + 2 * TitleMargin;
        for (int i = 0; i < count(); ++i)
            if (!isSectionHidden(i)) height = std::max(height, sectionSizeFromContents(i).height());
        hint.setHeight(height);
    }
    hint.setHeight(hint.height() + FilterHeight());
    return hint;
}

QSize TitleHeader::sectionSizeFromContents(int logicalIndex) const {
    if (!vertical_ || model() == nullptr) {
        QSize size = QHeaderView::sectionSizeFromContents(logicalIndex);
        size.setWidth(size.width() + MarkWidth());
        return size;
    }
    const QString text =
        model()->headerData(logicalIndex, orientation(), Qt::DisplayRole).toString();
    const QFontMetrics fm = fontMetrics();
    return {fm.height() + 2 * TitleMargin, fm.horizontalAdvance(text) + 2 * TitleMargin};
}

int TitleHeader::TitleWidth(int logicalIndex) const {
    if (vertical_) return fontMetrics().height() + 2 * TitleMargin;
    return sectionSizeFromContents(logicalIndex).width();
}

void TitleHeader::mouseReleaseEvent(QMouseEvent* event) {
    clickModifiers_ = event->modifiers();
    QHeaderView::mouseReleaseEvent(event);
}

void TitleHeader::updateGeometries() {
    QHeaderView::updateGeometries();
    setViewportMargins(0, 0, 0, FilterHeight());
    PlaceFilterRow();
}

void TitleHeader::PlaceFilterRow() {
    if (filterRow_ == nullptr) return;
    const int height = FilterHeight();
    filterRow_->setGeometry(0, this->height() - height, width(), height);
    filterRow_->PlaceCells(*this);
}

void TitleHeader::paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const {
    if (!rect.isValid()) return;
    if (!vertical_) {
        QHeaderView::paintSection(painter, rect, logicalIndex);
        PaintMark(painter,
                  QRect(rect.right() - MarkWidth(), rect.top(), MarkWidth(), rect.height()),
                  logicalIndex);
        return;
    }
    QStyleOptionHeader opt;
    initStyleOption(&opt);
    initStyleOptionForIndex(&opt, logicalIndex);
    opt.rect = rect;
    const QString text = opt.text;
    opt.text.clear();
    opt.icon = QIcon();
    // The frame and background of the section.
    style()->drawControl(QStyle::CE_Header, &opt, painter, this);
    PaintMark(painter,
              QRect(rect.right() - MarkWidth(), rect.top() + 1, MarkWidth(), MarkSide() + 2),
              logicalIndex);

    // The text turned a quarter to the left: it starts at the bottom. The
    // mark sits in the top right corner, clear of the text in all but the
    // narrowest columns.
    painter->save();
    painter->setClipRect(rect);
    painter->translate(rect.left(), rect.bottom() + 1);
    painter->rotate(-90);
    const QRect turned(TitleMargin, 0, rect.height() - 2 * TitleMargin, rect.width());
    painter->setPen(opt.palette.color(QPalette::ButtonText));
    painter->drawText(turned, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

void TitleHeader::PaintMark(QPainter* painter, const QRect& room, int logicalIndex) const {
    const auto found = marks_.constFind(logicalIndex);
    if (found == marks_.constEnd()) return;
    const int side = MarkSide();
    // The place in the order, beside the arrow, in a smaller type.
    const QString place = marks_.size() > 1 ? QString::number(found->place) : QString();
    const QFont small = PlaceFont();
    const QFontMetrics sfm(small);
    const int width = side + (place.isEmpty() ? 0 : 1 + sfm.horizontalAdvance(place));
    const int left = room.left() + std::max(0, (room.width() - width) / 2);
    const int top = room.top() + (room.height() - side) / 2;

    painter->save();
    // The style leaves the painter clipped to nothing after a section.
    painter->setClipRect(room);
    painter->setRenderHint(QPainter::Antialiasing);
    QPainterPath arrow;
    if (found->direction == SortDirection::Ascending) {
        arrow.moveTo(left, top + side);
        arrow.lineTo(left + side, top + side);
        arrow.lineTo(left + side / 2.0, top);
    } else {
        arrow.moveTo(left, top);
        arrow.lineTo(left + side, top);
        arrow.lineTo(left + side / 2.0, top + side);
    }
    arrow.closeSubpath();
    const QColor ink = palette().color(QPalette::ButtonText);
    painter->fillPath(arrow, ink);
    if (!place.isEmpty()) {
        painter->setFont(small);
        painter->setPen(ink);
        painter->drawText(QRect(left + side + 1, room.top(), width, room.height()),
                          Qt::AlignLeft | Qt::AlignVCenter, place);
    }
    painter->restore();
}

} // namespace kestrom
