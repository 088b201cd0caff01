#pragma once

#include <QLayout>
#include <QList>

namespace kestrom {

/// A row of controls in two parts: the left part at the left edge, the right
/// part at the right edge. When the width does not hold both, the right part
/// moves to a second line, still at the right edge, so that no control is
/// ever hidden and the row never makes the window wider than its left part.
class TwoPartRow : public QLayout {
  public:
    explicit TwoPartRow(QWidget* parent = nullptr);
    ~TwoPartRow() override;

    void AddLeft(QWidget* w);
    void AddRight(QWidget* w);
    /// Whether the last layout put the right part on a line of its own.
    bool Wrapped() const { return wrapped_; }

    void addItem(QLayoutItem* item) override;
    QLayoutItem* itemAt(int index) const override;
    QLayoutItem* takeAt(int index) override;
    int count() const override;
    QSize sizeHint() const override;
    QSize minimumSize() const override;
    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    void setGeometry(const QRect& rect) override;
    Qt::Orientations expandingDirections() const override { return Qt::Horizontal; }

  private:
    struct Part {
        int width = 0;
        int height = 0;
    };
    Part Measure(bool right) const;
    int Arrange(const QRect& rect, bool apply);

    QList<QLayoutItem*> items_;
    int rightFrom_ = 0; // items before this index form the left part
    bool wrapped_ = false;
};

} // namespace kestrom
