#pragma once

#include "load/LoadFrontEnd.h"

#include <QEvent>
#include <QWidget>

#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrom {

/// The event the progress window posts to the main window when "Отмена" is
/// pressed: the first user message number 1024 plus 162.
inline constexpr QEvent::Type CancelLoadEventType = static_cast<QEvent::Type>(1186);

/// The small frameless progress window of a load: a text line, a progress
/// bar over the bytes of the day's files, and the cancel button.
class TForm2 : public QWidget {
    Q_OBJECT
  public:
    /// mainWindow receives the cancel event; it may be null (nothing is posted).
    explicit TForm2(QObject* mainWindow, QWidget* parent = nullptr);

    QLabel* Label1 = nullptr;
    QProgressBar* ProgressBar1 = nullptr;
    QPushButton* BitBtn1 = nullptr;

    /// Sets the bar's range and position from 64-bit byte counts; counts
    /// beyond the bar's own range are scaled down together.
    void SetRange64(std::int64_t maximum);
    void SetPosition64(std::int64_t position);

  public slots:
    void BitBtn1Click();

  protected:
    void keyPressEvent(QKeyEvent* e) override;

  private:
    void FormCreate();
    int Scaled(std::int64_t v) const;

    QObject* mainWindow_;
    std::int64_t maximum_ = 100;
    std::int64_t scale_ = 1;
};

/// The window's progress display: a TForm2 created and destroyed per day.
class WindowProgress : public ProgressDisplay {
  public:
    explicit WindowProgress(QObject* mainWindow) : mainWindow_(mainWindow) {}
    ~WindowProgress() override;

    void Create() override;
    void Show(std::string_view label) override;
    void SetMaximum(std::int64_t maximum) override;
    void SetPosition(std::int64_t position) override;
    void Hide() override;
    void Destroy() override;

    /// The window of the day being loaded, or null.
    TForm2* Form2() const { return form_; }

  private:
    QObject* mainWindow_;
    TForm2* form_ = nullptr;
};

} // namespace kestrom
