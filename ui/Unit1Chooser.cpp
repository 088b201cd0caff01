#include "ui/Unit1Chooser.h"

#include "results/ResultQuery.h"
#include "settings/SettingsState.h"
#include "ui/ImageList.h"

#include <QDrag>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QMouseEvent>
#include <QPushButton>
#include <QVBoxLayout>

#include <cstdlib>

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
        out.push_back(list->item(i)->text().toStdString());
    return out;
}

void SetItems(QListWidget* list, const std::vector<std::string>& items) {
    list->clear();
    for (const std::string& s : items)
        list->addItem(QString::fromStdString(s));
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

QPushButton* MakeButton(QWidget* parent, const char* name, int icon, const QString& text) {
    auto* b = new QPushButton(ImageList1(icon), text, parent);
    b->setObjectName(name);
    b->setIconSize(QSize(16, 16));
    if (text.isEmpty()) b->setFixedSize(25, 25);
    return b;
}

} // namespace

// --- TChooserDragData ------------------------------------------------------

TChooserDragData::TChooserDragData(TChooserList* source) : source_(source) {
    setData(Format(), source != nullptr ? source->objectName().toUtf8() : QByteArray());
}

QString TChooserDragData::Format() {
    return QStringLiteral("application/x-kestrom-column-list");
}

// --- TChooserList ----------------------------------------------------------

TChooserList::TChooserList(QWidget* parent) : QListWidget(parent) {
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // The list runs its drags itself (mouseMoveEvent); the view's own drag
    // start and its item-moving drop are never used.
    setDragEnabled(false);
    setDragDropMode(QAbstractItemView::NoDragDrop);
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
}

void TChooserList::mousePressEvent(QMouseEvent* e) {
    dragPending_ = false;
    keptSelection_ = false;
    dragged_ = false;
    pressRow_ = -1;
    if (e->button() == Qt::LeftButton) {
        const QModelIndex index = indexAt(e->position().toPoint());
        const bool shift = (e->modifiers() & Qt::ShiftModifier) != 0;
        const bool ctrl = (e->modifiers() & Qt::ControlModifier) != 0;
        const bool selected = index.isValid() && selectionModel()->isSelected(index);
        pressPos_ = e->position().toPoint();
        pressRow_ = index.row();
        ctrlPress_ = ctrl && !shift;
        keptSelection_ = selected && (ctrl || !shift);
        dragPending_ = index.isValid() && (keptSelection_ || (!shift && !ctrl));
    }
    QListWidget::mousePressEvent(e);
}

QItemSelectionModel::SelectionFlags TChooserList::selectionCommand(const QModelIndex& index,
                                                                   const QEvent* e) const {
    // A press that may start a drag of the selection leaves it alone; the
    // click's own effect follows at the release when no drag came of it.
    if (e != nullptr && e->type() == QEvent::MouseButtonPress && keptSelection_ &&
        index.row() == pressRow_)
        return QItemSelectionModel::NoUpdate;
    return QListWidget::selectionCommand(index, e);
}

void TChooserList::mouseMoveEvent(QMouseEvent* e) {
    if (dragPending_ && (e->buttons() & Qt::LeftButton) != 0) {
        const QPoint d = e->position().toPoint() - pressPos_;
        if (std::abs(d.x()) >= DragThreshold || std::abs(d.y()) >= DragThreshold) {
            dragPending_ = false;
            dragged_ = true;
            startDrag(Qt::CopyAction);
            setState(NoState);
        }
        // No rubber-band selection while the press may still become a drag.
        return;
    }
    QListWidget::mouseMoveEvent(e);
}

void TChooserList::mouseReleaseEvent(QMouseEvent* e) {
    const bool ctrlClickOnSelected = keptSelection_ && ctrlPress_ && !dragged_;
    const int row = pressRow_;
    dragPending_ = false;
    keptSelection_ = false;
    QListWidget::mouseReleaseEvent(e);
    // A Ctrl-click on a selected item, deferred at the press, takes it out.
    if (ctrlClickOnSelected && e->button() == Qt::LeftButton && row >= 0 &&
        indexAt(e->position().toPoint()).row() == row)
        selectionModel()->select(model()->index(row, 0), QItemSelectionModel::Deselect);
    dragged_ = false;
}

void TChooserList::startDrag(Qt::DropActions) {
    if (selectedItems().isEmpty()) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(new TChooserDragData(this));
    drag->exec(Qt::CopyAction, Qt::CopyAction);
}

// --- TColumnChooser --------------------------------------------------------

TColumnChooser::TColumnChooser(QWidget* parent) : QWidget(parent) {
    setObjectName("ColumnChooser");

    ListBox3 = new TChooserList(this);
    ListBox3->setObjectName("ListBox3");
    for (std::string_view name : ResultColumnNames())
        ListBox3->addItem(QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())));
    ListBox1 = new TChooserList(this);
    ListBox1->setObjectName("ListBox1");
    ListBox2 = new TChooserList(this);
    ListBox2->setObjectName("ListBox2");

    ButtonGroup15 = MakeButton(this, "ButtonGroup15", IconRight, QString());
    ButtonGroup16 = MakeButton(this, "ButtonGroup16", IconLeft, QString());
    ButtonGroup18 = MakeButton(this, "ButtonGroup18", IconUp, QString());
    ButtonGroup19 = MakeButton(this, "ButtonGroup19", IconDown, QString());
    ButtonGroup8 = MakeButton(this, "ButtonGroup8", IconRight, "По возрастанию");
    ButtonGroup17 = MakeButton(this, "ButtonGroup17", IconRight, "По убыванию");
    ButtonGroup9 = MakeButton(this, "ButtonGroup9", IconLeft, "Удалить");
    ButtonGroup10 = MakeButton(this, "ButtonGroup10", IconUp, QString());
    ButtonGroup11 = MakeButton(this, "ButtonGroup11", IconDown, QString());

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
    row->addWidget(ListBox3, 3);
    column({ButtonGroup15, ButtonGroup16});
    row->addWidget(ListBox1, 3);
    column({ButtonGroup18, ButtonGroup19});
    column({ButtonGroup8, ButtonGroup17, ButtonGroup9});
    row->addWidget(ListBox2, 3);
    column({ButtonGroup10, ButtonGroup11});

    connect(ButtonGroup15, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup15Items0Click);
    connect(ButtonGroup16, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup16Items0Click);
    connect(ButtonGroup18, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup18Items0Click);
    connect(ButtonGroup19, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup19Items0Click);
    connect(ButtonGroup8, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup8Items0Click);
    connect(ButtonGroup17, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup17Items0Click);
    connect(ButtonGroup9, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup9Items0Click);
    connect(ButtonGroup10, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup10Items0Click);
    connect(ButtonGroup11, &QPushButton::clicked, this, &TColumnChooser::ButtonGroup11Items0Click);

    // Drops on a list arrive at its viewport.
    targets_ = {
        {ListBox1->viewport(), &TColumnChooser::ListBox1DragOver,
         &TColumnChooser::ListBox1DragDrop},
        {ListBox2->viewport(), &TColumnChooser::ListBox2DragOver,
         &TColumnChooser::ListBox2DragDrop},
        {ListBox3->viewport(), &TColumnChooser::ListBox3DragOver,
         &TColumnChooser::ListBox3DragDrop},
        {ButtonGroup8, &TColumnChooser::ButtonGroup8DragOver,
         &TColumnChooser::ButtonGroup8DragDrop},
        {ButtonGroup17, &TColumnChooser::ButtonGroup17DragOver,
         &TColumnChooser::ButtonGroup17DragDrop},
        {ButtonGroup9, &TColumnChooser::ButtonGroup9DragOver,
         &TColumnChooser::ButtonGroup9DragDrop},
    };
    for (const DropTarget& t : targets_) {
        t.widget->setAcceptDrops(true);
        t.widget->installEventFilter(this);
    }
}

void TColumnChooser::SetDisplayed(const std::vector<std::string>& columns) {
    SetItems(ListBox1, columns);
}

std::vector<std::string> TColumnChooser::Displayed() const {
    return Items(ListBox1);
}

void TColumnChooser::SetSort(const std::vector<std::string>& keys) {
    SetItems(ListBox2, keys);
}

std::vector<std::string> TColumnChooser::Sort() const {
    return Items(ListBox2);
}

void TColumnChooser::SetDefaultLists() {
    SetDisplayed(Items(ListBox3));
    SetSort(DefaultSortColumns());
}

void TColumnChooser::Changed(const std::vector<std::string>& displayedBefore,
                             const std::vector<std::string>& sortBefore) {
    if (Items(ListBox1) != displayedBefore || Items(ListBox2) != sortBefore) emit ListsChanged();
}

// --- Commands --------------------------------------------------------------

void TColumnChooser::ButtonGroup15Items0Click() {
    if (!HasCurrent(ListBox3)) return;
    const std::vector<std::string> before = Items(ListBox1);
    for (int i = 0; i < ListBox3->count(); ++i) {
        const QListWidgetItem* item = ListBox3->item(i);
        if (item->isSelected() && !Contains(ListBox1, item->text()))
            ListBox1->addItem(item->text());
    }
    Changed(before, Items(ListBox2));
}

void TColumnChooser::ButtonGroup16Items0Click() {
    if (!HasCurrent(ListBox1) || ListBox1->count() < 2) return;
    const std::vector<std::string> before = Items(ListBox1);
    DeleteSelected(ListBox1);
    Changed(before, Items(ListBox2));
}

void TColumnChooser::ButtonGroup8Items0Click() {
    AddSortKeys("[Up]");
}

void TColumnChooser::ButtonGroup17Items0Click() {
    AddSortKeys("[Down]");
}

void TColumnChooser::AddSortKeys(const char* direction) {
    if (!HasCurrent(ListBox1)) return;
    const std::vector<std::string> before = Items(ListBox2);
    for (int i = 0; i < ListBox1->count(); ++i) {
        const QListWidgetItem* item = ListBox1->item(i);
        if (!item->isSelected()) continue;
        const QString name = item->text();
        // A column already sorted keeps its place and its direction.
        if (!Contains(ListBox2, name + "[Up]") && !Contains(ListBox2, name + "[Down]"))
            ListBox2->addItem(name + QString::fromLatin1(direction));
    }
    Changed(Items(ListBox1), before);
}

void TColumnChooser::ButtonGroup9Items0Click() {
    if (!HasCurrent(ListBox2)) return;
    const std::vector<std::string> before = Items(ListBox2);
    DeleteSelected(ListBox2);
    Changed(Items(ListBox1), before);
}

void TColumnChooser::ButtonGroup18Items0Click() {
    const std::vector<std::string> before = Items(ListBox1);
    MoveCurrent(ListBox1, -1);
    Changed(before, Items(ListBox2));
}

void TColumnChooser::ButtonGroup19Items0Click() {
    const std::vector<std::string> before = Items(ListBox1);
    MoveCurrent(ListBox1, +1);
    Changed(before, Items(ListBox2));
}

void TColumnChooser::ButtonGroup10Items0Click() {
    const std::vector<std::string> before = Items(ListBox2);
    MoveCurrent(ListBox2, -1);
    Changed(Items(ListBox1), before);
}

void TColumnChooser::ButtonGroup11Items0Click() {
    const std::vector<std::string> before = Items(ListBox2);
    MoveCurrent(ListBox2, +1);
    Changed(Items(ListBox1), before);
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

bool TColumnChooser::ListBox1DragOver(const QObject* source) const {
    return source == ListBox2 || source == ListBox3;
}

void TColumnChooser::ListBox1DragDrop(const QObject* source) {
    if (source == ListBox3)
        ButtonGroup15Items0Click();
    else if (source == ListBox2)
        ButtonGroup9Items0Click();
}

bool TColumnChooser::ListBox2DragOver(const QObject* source) const {
    return source == ListBox1 || source == ListBox3;
}

void TColumnChooser::ListBox2DragDrop(const QObject* source) {
    // A drop from the master list is accepted and has no effect.
    if (source == ListBox1) ButtonGroup8Items0Click();
}

bool TColumnChooser::ListBox3DragOver(const QObject* source) const {
    return source == ListBox1 || source == ListBox2;
}

void TColumnChooser::ListBox3DragDrop(const QObject* source) {
    // A drop from the sort list is accepted and has no effect.
    if (source == ListBox1) ButtonGroup16Items0Click();
}

bool TColumnChooser::ButtonGroup8DragOver(const QObject* source) const {
    return source == ListBox1;
}

void TColumnChooser::ButtonGroup8DragDrop(const QObject* source) {
    if (source == ListBox1) ButtonGroup8Items0Click();
}

bool TColumnChooser::ButtonGroup17DragOver(const QObject* source) const {
    return source == ListBox1;
}

void TColumnChooser::ButtonGroup17DragDrop(const QObject* source) {
    if (source == ListBox1) ButtonGroup17Items0Click();
}

bool TColumnChooser::ButtonGroup9DragOver(const QObject* source) const {
    return source == ListBox2;
}

void TColumnChooser::ButtonGroup9DragDrop(const QObject* source) {
    if (source == ListBox2) ButtonGroup9Items0Click();
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
    const bool accepted = source != nullptr && (this->*target->over)(source);
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
