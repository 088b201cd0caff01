#pragma once

#include "results/ResultQuery.h"

#include <QHash>
#include <QHeaderView>

namespace kestrom {

class FilterRow;

/// The column titles of the result grid. Horizontal titles are drawn as any
/// header draws them; vertical ones are turned by 90 degrees, read from the
/// bottom up, and the header is then as high as the longest shown title.
/// Every title shows its sort mark (an arrow, and its place in the order
/// when several columns are marked). Under the titles the header keeps room
/// for the filter row, whose cells it moves with the columns.
class TitleHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit TitleHeader(QWidget* parent = nullptr);

    void SetVertical(bool vertical);
    bool IsVertical() const { return vertical_; }

    /// The sort mark of one column, by its logical index.
    struct Mark {
        SortDirection direction = SortDirection::Ascending;
        int place = 1;
    };
    /// Replaces every mark; the places are shown when there are several.
    void SetMarks(QHash<int, Mark> marks);
    const QHash<int, Mark>& Marks() const { return marks_; }

    /// The row of filter cells kept under the titles (owned by the caller's
    /// widget tree; null for none).
    void SetFilterRow(FilterRow* row);
    FilterRow* Filters() const { return filterRow_; }

    /// The keyboard modifiers held at the last mouse release on a title.
    Qt::KeyboardModifiers ClickModifiers() const { return clickModifiers_; }

    /// The width a title needs: its text's (horizontal titles) or one text
    /// line's (vertical titles), with the room of its sort mark.
    int TitleWidth(int logicalIndex) const;
    /// Puts the filter row under the titles and its cells under their
    /// columns (after a resize, a move or a scroll).
    void PlaceFilterRow();

    QSize sizeHint() const override;

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void updateGeometries() override;

  private:
    void PaintMark(QPainter* painter, const QRect& rect, int logicalIndex) const;
    /// The arrow's size, and the room of the arrow with a place number.
    int MarkSide() const;
    int MarkWidth() const;
    QFont PlaceFont() const;
    int FilterHeight() const;

    bool vertical_ = false;
    QHash<int, Mark> marks_;
    FilterRow* filterRow_ = nullptr;
    Qt::KeyboardModifiers clickModifiers_;
};

} // namespace kestrom
