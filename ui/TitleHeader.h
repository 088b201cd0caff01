#pragma once

#include <QHeaderView>

namespace kestrom {

/// The column titles of the result grid. Horizontal titles are drawn as any
/// header draws them; vertical ones are turned by 90 degrees, read from the
/// bottom up, and the header is then as high as the longest shown title.
class TitleHeader : public QHeaderView {
    Q_OBJECT
  public:
    explicit TitleHeader(QWidget* parent = nullptr);

    void SetVertical(bool vertical);
    bool IsVertical() const { return vertical_; }

    QSize sizeHint() const override;

  protected:
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    QSize sectionSizeFromContents(int logicalIndex) const override;

  private:
    bool vertical_ = false;
};

} // namespace kestrom
