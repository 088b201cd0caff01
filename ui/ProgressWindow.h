#pragma once

#include <QEvent>
#include <QPointer>
#include <QWidget>

#include <cstdint>

class QLabel;
class QProgressBar;
class QPushButton;

namespace kestrom {

/// The event the progress window posts to the main window when "Отмена" is
/// pressed: the first user message number 1024 plus 162.
inline constexpr QEvent::Type CancelLoadEventType = static_cast<QEvent::Type>(1186);

/// Form2, the small frameless progress window of a load: a text line
/// (Label1), a progress bar over the bytes of the day's files (ProgressBar1)
/// and the cancel button (BitBtn1). It takes the keyboard focus when it is
/// shown, so that Esc cancels at once, and hands it back to the main window
/// when it is hidden.
class TForm2 : public QWidget {
    Q_OBJECT
  public:
    /// mainWindow receives the cancel event and the focus afterwards; it may
    /// be null (nothing is posted).
    explicit TForm2(QObject* mainWindow, QWidget* parent = nullptr);

    void SetText(const QString& text);

    /// Sets the bar's range and position from 64-bit byte counts; counts
    /// beyond the bar's own range are scaled down together.
    void SetRange64(std::int64_t maximum);
    void SetPosition64(std::int64_t position);

  public slots:
    /// "Отмена" (BitBtn1Click): posts the cancel event, without waiting.
    void askCancel();

  protected:
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void hideEvent(QHideEvent* e) override;

  private:
    void FormCreate();
    int Scaled(std::int64_t v) const;

    QPointer<QObject> mainWindow_;
    QLabel* statusText_ = nullptr;        // Label1
    QProgressBar* progressBar_ = nullptr; // ProgressBar1
    QPushButton* cancelButton_ = nullptr; // BitBtn1
    std::int64_t maximum_ = 100;
    std::int64_t scale_ = 1;
};

} // namespace kestrom
