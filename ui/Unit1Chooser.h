#pragma once

#include <QListWidget>
#include <QMimeData>
#include <QPointer>
#include <QWidget>

#include <string>
#include <vector>

class QPushButton;

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

/// A multi-select list of the chooser that starts drags by itself.
///
/// A left press on an item that is already selected (without Shift, or with
/// Ctrl) keeps the selection, so the whole selection can be dragged; any
/// other press changes the selection as a click does and may start a drag
/// only when neither Shift nor Ctrl is held. The drag begins once the mouse
/// has moved DragThreshold pixels along either axis with the button held;
/// a release before that is an ordinary click.
class TChooserList : public QListWidget {
    Q_OBJECT
  public:
    explicit TChooserList(QWidget* parent = nullptr);

    static constexpr int DragThreshold = 5;

  protected:
    void mousePressEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    QItemSelectionModel::SelectionFlags selectionCommand(const QModelIndex& index,
                                                         const QEvent* e) const override;
    /// Runs the drag (blocking until the drop); the list never loses items
    /// through it, the targets' commands do all the editing.
    void startDrag(Qt::DropActions supportedActions) override;

  private:
    bool dragPending_ = false;   // a drag may start from the current press
    bool keptSelection_ = false; // the press left an existing selection alone
    bool ctrlPress_ = false;     // Ctrl without Shift
    bool dragged_ = false;
    int pressRow_ = -1;
    QPoint pressPos_;
};

/// The column and sort chooser of the settings panel: the master list of the
/// 20 result columns, the displayed columns, the sort keys, the nine buttons
/// that edit the last two, and drag and drop between the lists.
///
/// The chooser only edits the lists; the window reads them when it opens
/// the result and when it saves its state.
class TColumnChooser : public QWidget {
    Q_OBJECT
  public:
    explicit TColumnChooser(QWidget* parent = nullptr);

    /// "Все столбцы": the 20 result columns in result order, never changed.
    TChooserList* ListBox3 = nullptr;
    /// "Отображаемые столбцы": the displayed columns in display order.
    TChooserList* ListBox1 = nullptr;
    /// "Сортировать по": sort keys "name[Up]" / "name[Down]", most
    /// significant first.
    TChooserList* ListBox2 = nullptr;

    QPushButton* ButtonGroup15 = nullptr; // add to displayed
    QPushButton* ButtonGroup16 = nullptr; // remove from displayed
    QPushButton* ButtonGroup18 = nullptr; // displayed column up
    QPushButton* ButtonGroup19 = nullptr; // displayed column down
    QPushButton* ButtonGroup8 = nullptr;  // "По возрастанию"
    QPushButton* ButtonGroup17 = nullptr; // "По убыванию"
    QPushButton* ButtonGroup9 = nullptr;  // "Удалить"
    QPushButton* ButtonGroup10 = nullptr; // sort key up
    QPushButton* ButtonGroup11 = nullptr; // sort key down

    /// The displayed columns, UTF-8, in display order; set as given.
    void SetDisplayed(const std::vector<std::string>& columns);
    std::vector<std::string> Displayed() const;

    /// The sort keys, UTF-8, most significant first; set as given.
    void SetSort(const std::vector<std::string>& keys);
    std::vector<std::string> Sort() const;

    /// "По умолчанию": all 20 columns displayed, sorted by start date and
    /// start time ascending.
    void SetDefaultLists();

    // Button commands. Each does nothing unless its source list has a
    // current item.
    void ButtonGroup15Items0Click(); // ListBox3 selection -> end of ListBox1
    void ButtonGroup16Items0Click(); // delete ListBox1 selection, keep one item
    void ButtonGroup18Items0Click(); // ListBox1 current item up
    void ButtonGroup19Items0Click(); // ListBox1 current item down
    void ButtonGroup8Items0Click();  // ListBox1 selection -> ListBox2 "[Up]"
    void ButtonGroup17Items0Click(); // ListBox1 selection -> ListBox2 "[Down]"
    void ButtonGroup9Items0Click();  // delete ListBox2 selection
    void ButtonGroup10Items0Click(); // ListBox2 current item up
    void ButtonGroup11Items0Click(); // ListBox2 current item down

    // Drag handlers: DragOver says whether a drag from source may be dropped
    // here, DragDrop runs the command of the drop.
    bool ListBox1DragOver(const QObject* source) const;
    void ListBox1DragDrop(const QObject* source);
    bool ListBox2DragOver(const QObject* source) const;
    void ListBox2DragDrop(const QObject* source);
    bool ListBox3DragOver(const QObject* source) const;
    void ListBox3DragDrop(const QObject* source);
    bool ButtonGroup8DragOver(const QObject* source) const;
    void ButtonGroup8DragDrop(const QObject* source);
    bool ButtonGroup17DragOver(const QObject* source) const;
    void ButtonGroup17DragDrop(const QObject* source);
    bool ButtonGroup9DragOver(const QObject* source) const;
    void ButtonGroup9DragDrop(const QObject* source);

  signals:
    /// A command changed ListBox1 or ListBox2 (not sent by the setters).
    void ListsChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    struct DropTarget {
        QWidget* widget;
        bool (TColumnChooser::*over)(const QObject*) const;
        void (TColumnChooser::*drop)(const QObject*);
    };

    void AddSortKeys(const char* direction);
    static void DeleteSelected(QListWidget* list);
    static void MoveCurrent(QListWidget* list, int step);
    void Changed(const std::vector<std::string>& displayedBefore,
                 const std::vector<std::string>& sortBefore);

    std::vector<DropTarget> targets_;
};

} // namespace kestrom
