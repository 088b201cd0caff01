#include "ui/TwoPartRow.h"

#include <QWidget>

#include <algorithm>

namespace kestrom {

TwoPartRow::TwoPartRow(QWidget* parent) : QLayout(parent) {
    setContentsMargins(0, 0, 0, 0);
}

TwoPartRow::~TwoPartRow() {
    while (QLayoutItem* item = takeAt(0))
        delete item;
}

void TwoPartRow::AddLeft(QWidget* w) {
    addChildWidget(w);
    items_.insert(rightFrom_++, new QWidgetItem(w));
    invalidate();
}

void TwoPartRow::AddRight(QWidget* w) {
    addChildWidget(w);
    items_.append(new QWidgetItem(w));
    invalidate();
}

void TwoPartRow::addItem(QLayoutItem* item) {
    items_.append(item);
}

QLayoutItem* TwoPartRow::itemAt(int index) const {
    return index >= 0 && index < items_.size() ? items_[index] : nullptr;
}

QLayoutItem* TwoPartRow::takeAt(int index) {
    if (index < 0 || index >= items_.size()) return nullptr;
    if (index < rightFrom_) --rightFrom_;
    return items_.takeAt(index);
}

int TwoPartRow::count() const {
    return static_cast<int>(items_.size());
}

TwoPartRow::Part TwoPartRow::Measure(bool right) const {
    Part p;
    const int from = right ? rightFrom_ : 0;
    const int to = right ? static_cast<int>(items_.size()) : rightFrom_;
    int shown = 0;
    for (int i = from; i < to; ++i) {
        if (items_[i]->isEmpty()) continue;
        const QSize s = items_[i]->sizeHint();
        p.width += s.width() + (shown++ > 0 ? spacing() : 0);
        p.height = std::max(p.height, s.height());
    }
    return p;
}

QSize TwoPartRow::sizeHint() const {
    const Part left = Measure(false), right = Measure(true);
    const QMargins m = contentsMargins();
    return {left.width + spacing() + right.width + m.left() + m.right(),
            std::max(left.height, right.height) + m.top() + m.bottom()};
}

QSize TwoPartRow::minimumSize() const {
    const Part left = Measure(false), right = Measure(true);
    const QMargins m = contentsMargins();
    return {std::max(left.width, right.width) + m.left() + m.right(),
            std::max(left.height, right.height) + m.top() + m.bottom()};
}

int TwoPartRow::heightForWidth(int width) const {
    return const_cast<TwoPartRow*>(this)->Arrange(QRect(0, 0, width, 0), false);
}

void TwoPartRow::setGeometry(const QRect& rect) {
    QLayout::setGeometry(rect);
    Arrange(rect, true);
}

// Places the items (when apply is set) and returns the height they need.
int TwoPartRow::Arrange(const QRect& rect, bool apply) {
    const QRect r = rect.marginsRemoved(contentsMargins());
    const Part left = Measure(false), right = Measure(true);
    const bool wrap = left.width + spacing() + right.width > r.width();
    const int lineHeight = std::max(left.height, right.height);
    if (apply) {
        wrapped_ = wrap;
        int x = r.left();
        for (int i = 0; i < rightFrom_; ++i) {
            if (items_[i]->isEmpty()) continue;
            const QSize s = items_[i]->sizeHint();
            items_[i]->setGeometry(
                QRect(x, r.top() + (lineHeight - s.height()) / 2, s.width(), s.height()));
            x += s.width() + spacing();
        }
        x = r.right() + 1 - right.width;
        const int top = wrap ? r.top() + left.height + spacing() : r.top();
        for (int i = rightFrom_; i < static_cast<int>(items_.size()); ++i) {
            if (items_[i]->isEmpty()) continue;
            const QSize s = items_[i]->sizeHint();
            items_[i]->setGeometry(
                QRect(x, top + (lineHeight - s.height()) / 2, s.width(), s.height()));
            x += s.width() + spacing();
        }
    }
    const QMargins m = contentsMargins();
    const int lines = wrap ? left.height + spacing() + right.height : lineHeight;
    return lines + m.top() + m.bottom();
}

} // namespace kestrom
