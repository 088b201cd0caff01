#include "ui/ExchangeList.h"

#include "settings/SettingsFiles.h"
#include "ui/Controls.h"
#include "ui/QtText.h"

#include <QAction>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QToolButton>

namespace kestrom {

namespace {

QAction* AddItem(QMenu* menu, const char* name, const char* text) {
    QAction* a = menu->addAction(QString::fromUtf8(text));
    a->setObjectName(name);
    return a;
}

} // namespace

ExchangeList::ExchangeList(SettingsState& settings, InformFn inform, std::function<bool()> autoSave,
                           QWidget* parent)
    : QWidget(parent), settings_(settings), inform_(std::move(inform)),
      autoSave_(std::move(autoSave)) {
    setObjectName("ToolBar2");
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(2);
    exchangeToggle_ = MakeToggle(this, "ToolButton5", -1, "Например: i3962");
    exchangeToggle_->setText(QString::fromUtf8("Для АТС №"));
    exchangeToggle_->setToolButtonStyle(Qt::ToolButtonTextOnly);
    exchangeToggle_->setCursor(Qt::PointingHandCursor);
    exchangeBox_ = Named(new QComboBox(this), "ComboBox3");
    exchangeBox_->setEditable(true);
    // No completer: it would turn a number into a listed one of other letter case.
    exchangeBox_->setCompleter(nullptr);
    exchangeBox_->setInsertPolicy(QComboBox::NoInsert);
    // Room for ten characters, the longest exchange number a load uses.
    exchangeBox_->setFixedWidth(exchangeBox_->fontMetrics().horizontalAdvance("i396200000") + 28);

    row->addWidget(exchangeToggle_);
    row->addWidget(exchangeBox_);
    SetValueBackground(exchangeBox_, false);
    exchangeBox_->setEnabled(false);

    listMenu_ = Named(new QMenu(this), "PopupMenu1");
    QAction* add = AddItem(listMenu_, "AddNum", "Добавить номер в список");
    QAction* remove = AddItem(listMenu_, "N1", "Удалить номер из списка");
    QAction* save = AddItem(listMenu_, "N2", " Сохранить список");
    listMenu_->addSeparator()->setObjectName("N3");
    QAction* clear = AddItem(listMenu_, "N4", "Очистить список");
    connect(add, &QAction::triggered, this, &ExchangeList::addNumber);
    connect(remove, &QAction::triggered, this, &ExchangeList::removeNumber);
    connect(save, &QAction::triggered, this, &ExchangeList::saveList);
    connect(clear, &QAction::triggered, this, &ExchangeList::clearList);
    for (QWidget* w :
         {static_cast<QWidget*>(exchangeBox_), static_cast<QWidget*>(exchangeBox_->lineEdit())}) {
        w->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(w, &QWidget::customContextMenuRequested, listMenu_,
                [this, w](const QPoint& p) { listMenu_->popup(w->mapToGlobal(p)); });
    }
    connect(exchangeToggle_, &QToolButton::clicked, this, &ExchangeList::toggleExchange);
}

bool ExchangeList::Pressed() const {
    return exchangeToggle_->isChecked();
}

void ExchangeList::SetPressed(bool pressed) {
    exchangeToggle_->setChecked(pressed);
}

std::string ExchangeList::ExchangeNumber() const {
    return Pressed() ? ToStdString(exchangeBox_->currentText()) : std::string("*");
}

void ExchangeList::SetNumbers(const std::vector<std::string>& numbers) {
    exchangeBox_->clear();
    exchangeBox_->addItems(ToQStringList(numbers));
    exchangeBox_->setCurrentIndex(-1);
}

std::vector<std::string> ExchangeList::Numbers() const {
    std::vector<std::string> out;
    for (int i = 0; i < exchangeBox_->count(); ++i)
        out.push_back(ToStdString(exchangeBox_->itemText(i)));
    return out;
}

int ExchangeList::SelectedIndex() const {
    return exchangeBox_->findText(exchangeBox_->currentText(), Qt::MatchExactly);
}

void ExchangeList::SelectStored(int index) {
    const int item = ItemIndexOrNone(index, static_cast<std::size_t>(exchangeBox_->count()));
    exchangeBox_->setCurrentIndex(item);
    if (item < 0) exchangeBox_->setEditText(QString());
}

void ExchangeList::toggleExchange() {
    ApplyToggle(Pressed(), {exchangeBox_});
    if (Pressed()) exchangeBox_->setFocus();
}

void ExchangeList::addNumber() {
    const QString text = exchangeBox_->currentText();
    if (!Pressed() || text.isEmpty()) return;
    exchangeBox_->addItem(text);
    exchangeBox_->setEditText(text);
    SaveIfAsked();
}

void ExchangeList::removeNumber() {
    const QString text = exchangeBox_->currentText();
    if (!Pressed() || text.isEmpty()) return;
    int found = -1;
    for (int i = 0; i < exchangeBox_->count() && found < 0; ++i)
        if (exchangeBox_->itemText(i).compare(text, Qt::CaseInsensitive) == 0) found = i;
    if (found < 0)
        inform_(QString::fromUtf8("Номер в списке отсутсвует!"));
    else
        exchangeBox_->removeItem(found);
    exchangeBox_->setEditText(text);
    SaveIfAsked();
}

void ExchangeList::saveList() {
    settings_.Exchanges = Numbers();
    Guarded([this] { SaveExchangeList(settings_); }, inform_);
}

void ExchangeList::clearList() {
    const QString text = exchangeBox_->currentText();
    exchangeBox_->clear();
    exchangeBox_->setEditText(text);
}

void ExchangeList::SaveIfAsked() {
    if (autoSave_ && autoSave_()) saveList();
}

} // namespace kestrom
