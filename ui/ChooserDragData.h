#pragma once

#include <QMimeData>
#include <QPointer>

namespace kestrom {

class TChooserList;

/// What a drag out of one of the chooser's lists carries: the list it came
/// from. The commands read that list's selection themselves, so the drag
/// needs no copy of the names. A drag from another program arrives as a
/// plain QMimeData and is refused everywhere.
class TChooserDragData : public QMimeData {
    Q_OBJECT
  public:
    explicit TChooserDragData(TChooserList* source);

    /// The list the drag started from; null once it is gone.
    TChooserList* Source() const { return source_; }

    /// The format that names the source list (its objectName, UTF-8).
    static QString Format();

  private:
    QPointer<TChooserList> source_;
};

} // namespace kestrom
