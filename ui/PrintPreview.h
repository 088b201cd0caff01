#pragma once

#include "ui/GridPages.h"

#include <QImage>
#include <QWidget>

#include <functional>
#include <memory>
#include <optional>

class QLabel;
class QPrinter;
class QScrollArea;

namespace kestrom {

/// The print preview window "Предварительный просмотр": one page of a
/// GridPages at a time, painted when it is shown (so a million rows open at
/// once), with the buttons to step through the pages, to zoom, to print on
/// a printer chosen in Qt's print dialog and to save every page as PDF.
/// The page shown is told as "Страница %d из %d".
class PrintPreview : public QWidget {
    Q_OBJECT
  public:
    /// The print job's name.
    static const QString& JobName();

    explicit PrintPreview(QWidget* parent = nullptr);
    ~PrintPreview() override;

    /// Shows pages from the first page on, at the zoom that fits a page.
    void SetPages(std::unique_ptr<GridPages> pages);
    const GridPages* Pages() const { return pages_.get(); }

    int CurrentPage() const { return page_; } ///< 0-based
    /// The text "Страница %d из %d" as shown now.
    QString PageText() const;
    /// The page shown, painted at the zoom.
    const QImage& PageImage() const { return image_; }
    /// Screen pixels per pixel of the paper at the screen's resolution.
    double Zoom() const { return zoom_; }

    /// Where the PDF file's name comes from (the proposed name); none when
    /// the user cancels. By default a save dialog.
    std::function<std::optional<QString>(const QString&)> choosePdfFile;
    /// Where the printer comes from: true when the user chose to print. By
    /// default Qt's print dialog.
    std::function<bool(QPrinter&)> choosePrinter;
    /// Where a failure message goes; by default a warning box.
    std::function<void(const QString&)> inform;

  public slots:
    void firstPage();
    void previousPage();
    void nextPage();
    void lastPage();
    void fitWidth();
    void fitPage();
    void zoomIn();
    void zoomOut();
    /// Prints the pages the print dialog asks for.
    void print();
    /// "Сохранить в PDF".
    void savePdf();

  private:
    void BuildToolBar();
    void ShowPage(int page);
    void SetZoom(double zoom);
    void Paint();
    /// The paper's size in screen pixels at zoom 1.
    QSizeF PaperAtScreen() const;
    std::optional<QString> AskForPdfFile(const QString& proposed);
    bool AskForPrinter(QPrinter& printer);
    void PrintOn(QPrinter& printer) const;
    void Inform(const QString& text);

    std::unique_ptr<GridPages> pages_;
    int page_ = 0;
    double zoom_ = 1.0;
    QImage image_;
    QLabel* pageText_ = nullptr;
    QLabel* pageView_ = nullptr;
    QScrollArea* scroll_ = nullptr;
};

} // namespace kestrom
