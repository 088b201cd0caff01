#pragma once

#include "ui/Guarded.h"

#include <QWidget>

#include <functional>
#include <string>
#include <vector>

class QAction;
class QComboBox;
class QMenu;
class QToolButton;

namespace kestrom {

struct SettingsState;

/// The exchange filter of the top strip (ToolBar2): the toggle "Для АТС №"
/// (ToolButton5), the editable exchange number box (ComboBox3) holding the
/// list of ListNode.ini, and the box's right-click menu (PopupMenu1).
///
/// The box keeps exactly what was typed: it completes nothing, so a number
/// that differs from a listed one in letter case stays as typed.
class ExchangeList : public QWidget {
    Q_OBJECT
  public:
    /// settings takes the list before it is written; autoSave tells whether
    /// "Автосохранение в списке № АТС" is checked.
    ExchangeList(SettingsState& settings, InformFn inform, std::function<bool()> autoSave,
                 QWidget* parent = nullptr);

    bool Pressed() const;
    /// Sets the toggle's pressed state only (its box is not touched).
    void SetPressed(bool pressed);
    /// The exchange a load asks for: the box's text while the toggle is
    /// pressed, otherwise "*".
    std::string ExchangeNumber() const;

    /// Replaces the list (as loaded at start); nothing is selected.
    void SetNumbers(const std::vector<std::string>& numbers);
    std::vector<std::string> Numbers() const;
    /// The item index of the box's text (AtsNum), -1 when it is no item.
    int SelectedIndex() const;
    /// Selects a stored item index; one outside the list empties the box.
    void SelectStored(int index);

  public slots:
    void toggleExchange(); // ToolButton5Click: the box on, white and focused, or off and grey
    void addNumber();      // AddNum "Добавить номер в список"
    void removeNumber();   // N1 "Удалить номер из списка"
    void saveList();       // N2 " Сохранить список"
    void clearList();      // N4 "Очистить список": the window's list only

  private:
    void SaveIfAsked();

    SettingsState& settings_;
    InformFn inform_;
    std::function<bool()> autoSave_;
    QToolButton* exchangeToggle_ = nullptr; // ToolButton5
    QComboBox* exchangeBox_ = nullptr;      // ComboBox3
    QMenu* listMenu_ = nullptr;             // PopupMenu1
};

} // namespace kestrom
