#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace kestrom {

/// What the find dialog looks for.
struct FindRequest {
    QString text;
    bool caseSensitive = false;
    bool allColumns = false; ///< else the current column only
    bool wholeCell = false;  ///< else any part of the cell's text
};

/// The grid's find dialog (Ctrl+F): "Найти далее" looks for the text from the
/// cell after the current one down to the last row.
class FindDialog : public QDialog {
    Q_OBJECT
  public:
    explicit FindDialog(QWidget* parent = nullptr);

    FindRequest Request() const;

    /// The text of the report on a text not found.
    static QString NotFoundText(const QString& text);

  signals:
    void findNext(const FindRequest& request);

  private:
    QLineEdit* text_;
    QCheckBox* caseSensitive_;
    QCheckBox* allColumns_;
    QCheckBox* wholeCell_;
};

} // namespace kestrom
