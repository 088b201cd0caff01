#pragma once

#include "load/PreFilter.h"

#include <QGroupBox>

#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QSpinBox;
class QTimeEdit;
class QToolButton;

namespace kestrom {

class ExchangeList;
struct SettingsState;

/// The group " Предварительный  фильтр " (GroupBox2): the toggles of the
/// number A and B filters with their comparison boxes and texts, the AND/OR
/// box, the trunk group, error code and time-of-day filters, and the
/// home-page label; besides it the check box "Только успешные" (CheckBox1),
/// which the window places on its bottom toolbar. A toggle switches its value
/// controls on (white) or off (grey); released, a time picker goes back to
/// 00:00:00.
class FilterBar : public QGroupBox {
    Q_OBJECT
  public:
    /// exchange gives the exchange of the filter; programDir holds the user
    /// guide that the home-page label opens when no address is built in.
    FilterBar(const ExchangeList& exchange, const std::string& programDir,
              QWidget* parent = nullptr);

    /// The whole preliminary filter as the controls hold it now.
    TPreFilter Filter() const;

    /// "Только успешные", for the window to place.
    QCheckBox* OnlySuccessfulBox() const { return onlySuccessful_; }

    /// The comparison modes, the AND/OR box and "Только успешные" from s.
    void Apply(const SettingsState& s);
    void ReadInto(SettingsState& s) const;

  public slots:
    void toggleNumberA();       // ToolButton1Click
    void toggleNumberB();       // ToolButton4Click
    void toggleInTrunkGroup();  // ToolButton12Click
    void toggleOutTrunkGroup(); // ToolButton14Click
    void toggleErrorCode();     // ToolButton20Click
    void toggleTimeFrom();      // ToolButton16Click: an hour before the to-time when that is on
    void toggleTimeTo();        // ToolButton18Click: an hour after the from-time when that is on
    void openHomePage();        // Label3Click

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    const ExchangeList& exchange_;
    QToolButton* numberAToggle_ = nullptr;       // ToolButton1
    QComboBox* numberAMode_ = nullptr;           // ComboBox1
    QLineEdit* numberAText_ = nullptr;           // Edit2
    QComboBox* numberJoin_ = nullptr;            // ComboBox4
    QToolButton* numberBToggle_ = nullptr;       // ToolButton4
    QComboBox* numberBMode_ = nullptr;           // ComboBox2
    QLineEdit* numberBText_ = nullptr;           // Edit3
    QToolButton* inTrunkGroupToggle_ = nullptr;  // ToolButton12
    QSpinBox* inTrunkGroupBox_ = nullptr;        // Edit4 with UpDown2
    QToolButton* outTrunkGroupToggle_ = nullptr; // ToolButton14
    QSpinBox* outTrunkGroupBox_ = nullptr;       // Edit5 with UpDown3
    QToolButton* errorCodeToggle_ = nullptr;     // ToolButton20
    QSpinBox* errorCodeBox_ = nullptr;           // Edit1 with UpDown1
    QToolButton* timeFromToggle_ = nullptr;      // ToolButton16
    QTimeEdit* timeFromPicker_ = nullptr;        // DateTimePicker3
    QToolButton* timeToToggle_ = nullptr;        // ToolButton18
    QTimeEdit* timeToPicker_ = nullptr;          // DateTimePicker4
    QLabel* homePageCaption_ = nullptr;          // Label4
    QLabel* homePageLink_ = nullptr;             // Label3
    QCheckBox* onlySuccessful_ = nullptr;        // CheckBox1
};

} // namespace kestrom
