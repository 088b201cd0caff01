#include "ui/ColumnChooser.h"

#include "results/ResultQuery.h"
#include "settings/SettingsState.h"
#include "ui/ChooserDragData.h"
#include "ui/ChooserList.h"
#include "ui/ImageList.h"
#include "ui/QtText.h"

#include <QDropEvent>
#include <QHBoxLayout>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrom {

namespace {

constexpr int IconLeft = 2;
constexpr int IconUp = 3;
constexpr int IconDown = 4;
constexpr int IconRight = 5;

std::vector<std::string> Items(const QListWidget* list) {
    std::vector<std::string> out;
    out.reserve(static_cast<std::size_t>(list->count()));
    for (int i = 0; i < list->count(); ++i)
        out.push_back(ToStdString(list->item(i)->text()));
    return out;
}

void SetItems(QListWidget* list, const std::vector<std::string>& items) {
    list->clear();
    list->addItems(ToQStringList(items));
}

// Items are compared whole, ignoring letter case.
bool Contains(const QListWidget* list, const QString& text) {
    for (int i = 0; i < list->count(); ++i)
        if (list->item(i)->text().compare(text, Qt::CaseInsensitive) == 0) return true;
    return false;
}

bool HasCurrent(const QListWidget* list) {
    return list->currentRow() >= 0;
}

TChooserList* MakeList(QWidget* parent, const char* name) {
    auto* l = new TChooserList(parent);
    l->setObjectName(name);
    return l;
}

QPushButton* MakeButton(QWidget* parent, const char* name, int icon, const QString& text) {
    auto* b = new QPushButton(ImageList1(icon), text, parent);
    b->setObjectName(name);
    b->setIconSize(QSize(16, 16));
    if (text.isEmpty()) b->setFixedSize(25, 25);
    return b;
}

} // namespace

TColumnChooser::TColumnChooser(QWidget* parent) : QWidget(parent) {
    setObjectName("ColumnChooser");

    allColumns_ = MakeList(this, "ListBox3");
    for (std::string_view name : ResultColumnNames())
        allColumns_->addItem(ToQString(name));
    displayed_ = MakeList(this, "ListBox1");
    sortKeys_ = MakeList(this, "ListBox2");

    addButton_ = MakeButton(this, "ButtonGroup15", IconRight, QString());
    removeButton_ = MakeButton(this, "ButtonGroup16", IconLeft, QString());
    displayedUpButton_ = MakeButton(this, "ButtonGroup18", IconUp, QString());
    displayedDownButton_ = MakeButton(this, "ButtonGroup19", IconDown, QString());
    ascendingButton_ = MakeButton(this, "ButtonGroup8", IconRight, "По возрастанию");
    descendingButton_ = MakeButton(this, "ButtonGroup17", IconRight, "По убыванию");
    removeSortKeysButton_ = MakeButton(this, "ButtonGroup9", IconLeft, "Удалить");
    sortKeyUpButton_ = MakeButton(this, "ButtonGroup10", IconUp, QString());
    sortKeyDownButton_ = MakeButton(this, "ButtonGroup11", IconDown, QString());

    // Left to right: all columns, add/remove, displayed, up/down, the sort
    // buttons, the sort list, up/down.
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 2, 4, 4);
    row->setSpacing(4);
    auto column = [row](std::initializer_list<QWidget*> buttons) {
        auto* c = new QVBoxLayout;
        c->setSpacing(2);
        c->addStretch();
        for (QWidget* b : buttons)
            c->addWidget(b);
        c->addStretch();
        row->addLayout(c);
    };
    row->addWidget(allColumns_, 3);
    column({addButton_, removeButton_});
    row->addWidget(displayed_, 3);
    column({displayedUpButton_, displayedDownButton_});
    column({ascendingButton_, descendingButton_, removeSortKeysButton_});
    row->addWidget(sortKeys_, 3);
    column({sortKeyUpButton_, sortKeyDownButton_});

    connect(addButton_, &QPushButton::clicked, this, &TColumnChooser::addToDisplayed);
    connect(removeButton_, &QPushButton::clicked, this, &TColumnChooser::removeFromDisplayed);
    connect(displayedUpButton_, &QPushButton::clicked, this, &TColumnChooser::moveDisplayedUp);
    connect(displayedDownButton_, &QPushButton::clicked, this, &TColumnChooser::moveDisplayedDown);
    connect(ascendingButton_, &QPushButton::clicked, this, &TColumnChooser::sortAscending);
    connect(descendingButton_, &QPushButton::clicked, this, &TColumnChooser::sortDescending);
    connect(removeSortKeysButton_, &QPushButton::clicked, this, &TColumnChooser::removeSortKeys);
    connect(sortKeyUpButton_, &QPushButton::clicked, this, &TColumnChooser::moveSortKeyUp);
    connect(sortKeyDownButton_, &QPushButton::clicked, this, &TColumnChooser::moveSortKeyDown);

    // Drops on a list arrive at its viewport.
    targets_ = {
        {displayed_->viewport(), &TColumnChooser::displayedAccepts,
         &TColumnChooser::dropOnDisplayed},
        {sortKeys_->viewport(), &TColumnChooser::sortKeysAccept, &TColumnChooser::dropOnSortKeys},
        {allColumns_->viewport(), &TColumnChooser::allColumnsAccept,
         &TColumnChooser::dropOnAllColumns},
        {ascendingButton_, &TColumnChooser::fromDisplayed, &TColumnChooser::dropOnAscending},
        {descendingButton_, &TColumnChooser::fromDisplayed, &TColumnChooser::dropOnDescending},
        {removeSortKeysButton_, &TColumnChooser::fromSortKeys,
         &TColumnChooser::dropOnRemoveSortKeys},
    };
    for (const DropTarget& t : targets_) {
        t.widget->setAcceptDrops(true);
        t.widget->installEventFilter(this);
    }
}

std::vector<std::string> TColumnChooser::AllColumns() const {
    return Items(allColumns_);
}

void TColumnChooser::SetDisplayed(const std::vector<std::string>& columns) {
    SetItems(displayed_, columns);
}

std::vector<std::string> TColumnChooser::Displayed() const {
    return Items(displayed_);
}

void TColumnChooser::SetSort(const std::vector<std::string>& keys) {
    SetItems(sortKeys_, keys);
}

std::vector<std::string> TColumnChooser::Sort() const {
    return Items(sortKeys_);
}

void TColumnChooser::SetDefaultLists() {
    SetDisplayed(Items(allColumns_));
    SetSort(DefaultSortColumns());
}

void TColumnChooser::Changed(const std::vector<std::string>& displayedBefore,
                             const std::vector<std::string>& sortBefore) {
    if (Items(displayed_) != displayedBefore || Items(sortKeys_) != sortBefore) emit ListsChanged();
}

// --- Commands --------------------------------------------------------------

void TColumnChooser::addToDisplayed() {
    if (!HasCurrent(allColumns_)) return;
    const std::vector<std::string> before = Items(displayed_);
    for (int i = 0; i < allColumns_->count(); ++i) {
        const QListWidgetItem* item = allColumns_->item(i);
        if (item->isSelected() && !Contains(displayed_, item->text()))
            displayed_->addItem(item->text());
    }
    Changed(before, Items(sortKeys_));
}

void TColumnChooser::removeFromDisplayed() {
    if (!HasCurrent(displayed_) || displayed_->count() < 2) return;
    const std::vector<std::string> before = Items(displayed_);
    DeleteSelected(displayed_);
    Changed(before, Items(sortKeys_));
}

void TColumnChooser::sortAscending() {
    AddSortKeys("[Up]");
}

void TColumnChooser::sortDescending() {
    AddSortKeys("[Down]");
}

void TColumnChooser::AddSortKeys(const char* direction) {
    if (!HasCurrent(displayed_)) return;
    const std::vector<std::string> before = Items(sortKeys_);
    for (int i = 0; i < displayed_->count(); ++i) {
        const QListWidgetItem* item = displayed_->item(i);
        if (!item->isSelected()) continue;
        const QString name = item->text();
        // A column already sorted keeps its place and its direction.
        if (!Contains(sortKeys_, name + "[Up]") && !Contains(sortKeys_, name + "[Down]"))
            sortKeys_->addItem(name + QString::fromLatin1(direction));
    }
    Changed(Items(displayed_), before);
}

void TColumnChooser::removeSortKeys() {
    if (!HasCurrent(sortKeys_)) return;
    const std::vector<std::string> before = Items(sortKeys_);
    DeleteSelected(sortKeys_);
    Changed(Items(displayed_), before);
}

void TColumnChooser::moveDisplayedUp() {
    const std::vector<std::string> before = Items(displayed_);
    MoveCurrent(displayed_, -1);
    Changed(before, Items(sortKeys_));
}

void TColumnChooser::moveDisplayedDown() {
    const std::vector<std::string> before = Items(displayed_);
    MoveCurrent(displayed_, +1);
    Changed(before, Items(sortKeys_));
}

void TColumnChooser::moveSortKeyUp() {
    const std::vector<std::string> before = Items(sortKeys_);
    MoveCurrent(sortKeys_, -1);
    Changed(Items(displayed_), before);
}

void TColumnChooser::moveSortKeyDown() {
    const std::vector<std::string> before = Items(sortKeys_);
    MoveCurrent(sortKeys_, +1);
    Changed(Items(displayed_), before);
}

void TColumnChooser::DeleteSelected(QListWidget* list) {
    for (int i = list->count() - 1; i >= 0; --i)
        if (list->item(i)->isSelected()) delete list->takeItem(i);
}

void TColumnChooser::MoveCurrent(QListWidget* list, int step) {
    const int from = list->currentRow();
    const int to = from + step;
    if (from < 0 || list->selectedItems().size() != 1 || to < 0 || to >= list->count()) return;
    QListWidgetItem* item = list->takeItem(from);
    list->insertItem(to, item);
    // The moved item becomes the current and only selected item, so that
    // the next click moves it again.
    list->setCurrentRow(to, QItemSelectionModel::ClearAndSelect);
}

// --- Drag and drop ---------------------------------------------------------

bool TColumnChooser::displayedAccepts(const QObject* source) const {
    return source == sortKeys_ || source == allColumns_;
}

void TColumnChooser::dropOnDisplayed(const QObject* source) {
    if (source == allColumns_)
        addToDisplayed();
    else if (source == sortKeys_)
        removeSortKeys();
}

bool TColumnChooser::sortKeysAccept(const QObject* source) const {
    return source == displayed_ || source == allColumns_;
}

void TColumnChooser::dropOnSortKeys(const QObject* source) {
    // A drop from the list of all columns is accepted and has no effect.
    if (source == displayed_) sortAscending();
}

bool TColumnChooser::allColumnsAccept(const QObject* source) const {
    return source == displayed_ || source == sortKeys_;
}

void TColumnChooser::dropOnAllColumns(const QObject* source) {
    // A drop from the sort list is accepted and has no effect.
    if (source == displayed_) removeFromDisplayed();
}

bool TColumnChooser::fromDisplayed(const QObject* source) const {
    return source == displayed_;
}

bool TColumnChooser::fromSortKeys(const QObject* source) const {
    return source == sortKeys_;
}

void TColumnChooser::dropOnAscending(const QObject* source) {
    if (source == displayed_) sortAscending();
}

void TColumnChooser::dropOnDescending(const QObject* source) {
    if (source == displayed_) sortDescending();
}

void TColumnChooser::dropOnRemoveSortKeys(const QObject* source) {
    if (source == sortKeys_) removeSortKeys();
}

bool TColumnChooser::eventFilter(QObject* watched, QEvent* e) {
    const QEvent::Type type = e->type();
    if (type != QEvent::DragEnter && type != QEvent::DragMove && type != QEvent::Drop)
        return QWidget::eventFilter(watched, e);
    const DropTarget* target = nullptr;
    for (const DropTarget& t : targets_)
        if (t.widget == watched) target = &t;
    if (target == nullptr) return QWidget::eventFilter(watched, e);

    // DragEnter and DragMove events are drop events too.
    auto* drop = static_cast<QDropEvent*>(e);
    const auto* dragData = qobject_cast<const TChooserDragData*>(drop->mimeData());
    const QObject* source = dragData != nullptr ? dragData->Source() : nullptr;
    const bool accepted = source != nullptr && (this->*target->accepts)(source);
    if (!accepted) {
        drop->ignore();
        return true;
    }
    // Copy, never move: the source list keeps its items unless the command
    // itself removes them.
    drop->setDropAction(Qt::CopyAction);
    drop->accept();
    if (type == QEvent::Drop) (this->*target->drop)(source);
    return true;
}

} // namespace kestrom
