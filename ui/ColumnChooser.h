#pragma once

#include <QWidget>

#include <string>
#include <vector>

class QListWidget;
class QPushButton;

namespace kestrom {

class TChooserList;

/// The column and sort chooser of the settings panel (objectName
/// "ColumnChooser"): the list of all 20 result columns (ListBox3), the
/// displayed columns (ListBox1), the sort keys (ListBox2), the nine buttons
/// that edit the last two, and drag and drop between the lists. The window's
/// header maps every control name to its member here.
///
/// The chooser only edits the lists; the window reads them when it opens
/// the result and when it saves its state.
class TColumnChooser : public QWidget {
    Q_OBJECT
  public:
    explicit TColumnChooser(QWidget* parent = nullptr);

    /// "Все столбцы": the 20 result columns in result order, never changed.
    std::vector<std::string> AllColumns() const;

    /// The displayed columns, UTF-8, in display order; set as given.
    void SetDisplayed(const std::vector<std::string>& columns);
    std::vector<std::string> Displayed() const;

    /// The sort keys "name[Up]" / "name[Down]", UTF-8, most significant
    /// first; set as given.
    void SetSort(const std::vector<std::string>& keys);
    std::vector<std::string> Sort() const;

    /// All 20 columns displayed, sorted by start date and start time ascending.
    void SetDefaultLists();

  public slots:
    // The button commands. Each does nothing unless its source list has a
    // current item.
    void addToDisplayed();      // ButtonGroup15: ListBox3 selection -> end of ListBox1
    void removeFromDisplayed(); // ButtonGroup16: delete ListBox1 selection, keep one item
    void moveDisplayedUp();     // ButtonGroup18
    void moveDisplayedDown();   // ButtonGroup19
    void sortAscending();       // ButtonGroup8: ListBox1 selection -> ListBox2 "[Up]"
    void sortDescending();      // ButtonGroup17: ListBox1 selection -> ListBox2 "[Down]"
    void removeSortKeys();      // ButtonGroup9: delete ListBox2 selection
    void moveSortKeyUp();       // ButtonGroup10
    void moveSortKeyDown();     // ButtonGroup11

  signals:
    /// A command changed ListBox1 or ListBox2 (not sent by the setters).
    void ListsChanged();

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // A drop target: whether it takes a drag from a list, and the command a
    // drop from that list runs.
    struct DropTarget {
        QWidget* widget;
        bool (TColumnChooser::*accepts)(const QObject*) const;
        void (TColumnChooser::*drop)(const QObject*);
    };

    bool displayedAccepts(const QObject* source) const;
    void dropOnDisplayed(const QObject* source);
    bool sortKeysAccept(const QObject* source) const;
    void dropOnSortKeys(const QObject* source);
    bool allColumnsAccept(const QObject* source) const;
    void dropOnAllColumns(const QObject* source);
    bool fromDisplayed(const QObject* source) const;
    bool fromSortKeys(const QObject* source) const;
    void dropOnAscending(const QObject* source);
    void dropOnDescending(const QObject* source);
    void dropOnRemoveSortKeys(const QObject* source);

    void AddSortKeys(const char* direction);
    static void DeleteSelected(QListWidget* list);
    static void MoveCurrent(QListWidget* list, int step);
    void Changed(const std::vector<std::string>& displayedBefore,
                 const std::vector<std::string>& sortBefore);

    TChooserList* allColumns_ = nullptr;          // ListBox3
    TChooserList* displayed_ = nullptr;           // ListBox1
    TChooserList* sortKeys_ = nullptr;            // ListBox2
    QPushButton* addButton_ = nullptr;            // ButtonGroup15
    QPushButton* removeButton_ = nullptr;         // ButtonGroup16
    QPushButton* displayedUpButton_ = nullptr;    // ButtonGroup18
    QPushButton* displayedDownButton_ = nullptr;  // ButtonGroup19
    QPushButton* ascendingButton_ = nullptr;      // ButtonGroup8
    QPushButton* descendingButton_ = nullptr;     // ButtonGroup17
    QPushButton* removeSortKeysButton_ = nullptr; // ButtonGroup9
    QPushButton* sortKeyUpButton_ = nullptr;      // ButtonGroup10
    QPushButton* sortKeyDownButton_ = nullptr;    // ButtonGroup11
    std::vector<DropTarget> targets_;
};

} // namespace kestrom
