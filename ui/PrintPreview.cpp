#include "ui/PrintPreview.h"

#include "ui/PdfPages.h"

#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QKeySequence>
#include <QLabel>
#include <QMessageBox>
#include <QPainter>
#include <QPixmap>
#include <QPrintDialog>
#include <QPrinter>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>

namespace kestrom {

namespace {

constexpr double MinZoom = 0.1;
constexpr double MaxZoom = 8.0;
constexpr double ZoomStep = 1.25;
/// The grey room around the page in the scroll area.
constexpr int PageMargin = 8;

} // namespace

const QString& PrintPreview::JobName() {
    static const QString name = QString::fromUtf8("Табличная информация");
    return name;
}

PrintPreview::PrintPreview(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("PrintPreview"));
    setWindowTitle(QString::fromUtf8("Предварительный просмотр"));
    // The grid under the pages stays as it is while they are looked at.
    setWindowModality(Qt::ApplicationModal);
    resize(1000, 720);

    pageView_ = new QLabel;
    pageView_->setObjectName(QStringLiteral("PageView"));
    pageView_->setAlignment(Qt::AlignCenter);
    scroll_ = new QScrollArea(this);
    scroll_->setBackgroundRole(QPalette::Dark);
    scroll_->setAlignment(Qt::AlignCenter);
    scroll_->setWidget(pageView_);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    BuildToolBar();
    layout->addWidget(scroll_, 1);
}

PrintPreview::~PrintPreview() = default;

void PrintPreview::BuildToolBar() {
    auto* bar = new QToolBar(this);
    bar->setObjectName(QStringLiteral("PreviewToolBar"));
    const auto add = [&](const char* name, const char* text, QKeySequence key, auto slot) {
        QAction* action = bar->addAction(QString::fromUtf8(text));
        action->setObjectName(QString::fromLatin1(name));
        action->setShortcut(key);
        connect(action, &QAction::triggered, this, slot);
    };
    add("FirstPage", "Первая", QKeySequence(Qt::Key_Home), &PrintPreview::firstPage);
    add("PriorPage", "Предыдущая", QKeySequence(Qt::Key_PageUp), &PrintPreview::previousPage);
    add("NextPage", "Следующая", QKeySequence(Qt::Key_PageDown), &PrintPreview::nextPage);
    add("LastPage", "Последняя", QKeySequence(Qt::Key_End), &PrintPreview::lastPage);
    pageText_ = new QLabel(bar);
    pageText_->setObjectName(QStringLiteral("PageText"));
    pageText_->setContentsMargins(8, 0, 8, 0);
    bar->addWidget(pageText_);
    bar->addSeparator();
    add("FitWidth", "По ширине", QKeySequence(), &PrintPreview::fitWidth);
    add("FitPage", "Страница целиком", QKeySequence(), &PrintPreview::fitPage);
    add("ZoomIn", "Крупнее", QKeySequence::ZoomIn, &PrintPreview::zoomIn);
    add("ZoomOut", "Мельче", QKeySequence::ZoomOut, &PrintPreview::zoomOut);
    bar->addSeparator();
    add("PrintPages", "Печать...", QKeySequence::Print, &PrintPreview::print);
    add("SavePdf", "Сохранить в PDF", QKeySequence(), &PrintPreview::savePdf);
    add("ClosePreview", "Закрыть", QKeySequence(Qt::Key_Escape), &QWidget::close);
    layout()->addWidget(bar);
}

void PrintPreview::SetPages(std::unique_ptr<GridPages> pages) {
    pages_ = std::move(pages);
    page_ = 0;
    fitPage();
}

QString PrintPreview::PageText() const {
    const int count = pages_ ? pages_->PageCount() : 0;
    return QString::fromUtf8("Страница %1 из %2").arg(count == 0 ? 0 : page_ + 1).arg(count);
}

void PrintPreview::ShowPage(int page) {
    if (!pages_) return;
    page_ = std::clamp(page, 0, std::max(0, pages_->PageCount() - 1));
    Paint();
}

void PrintPreview::firstPage() {
    ShowPage(0);
}

void PrintPreview::previousPage() {
    ShowPage(page_ - 1);
}

void PrintPreview::nextPage() {
    ShowPage(page_ + 1);
}

void PrintPreview::lastPage() {
    ShowPage(pages_ ? pages_->PageCount() - 1 : 0);
}

QSizeF PrintPreview::PaperAtScreen() const {
    const QSizeF points = pages_ ? pages_->Layout().fullRectPoints().size() : QSizeF(842, 595);
    return points * (logicalDpiX() / 72.0);
}

void PrintPreview::fitWidth() {
    const double room = scroll_->viewport()->width() - 2 * PageMargin;
    SetZoom(room / PaperAtScreen().width());
}

void PrintPreview::fitPage() {
    const QSize room = scroll_->viewport()->size() - QSize(2 * PageMargin, 2 * PageMargin);
    const QSizeF paper = PaperAtScreen();
    SetZoom(std::min(room.width() / paper.width(), room.height() / paper.height()));
}

void PrintPreview::zoomIn() {
    SetZoom(zoom_ * ZoomStep);
}

void PrintPreview::zoomOut() {
    SetZoom(zoom_ / ZoomStep);
}

void PrintPreview::SetZoom(double zoom) {
    zoom_ = std::clamp(zoom, MinZoom, MaxZoom);
    Paint();
}

void PrintPreview::Paint() {
    pageText_->setText(PageText());
    if (!pages_ || pages_->PageCount() == 0) {
        image_ = QImage();
        pageView_->clear();
        return;
    }
    const QSize size = (PaperAtScreen() * zoom_).toSize().expandedTo(QSize(1, 1));
    image_ = QImage(size, QImage::Format_RGB32);
    image_.fill(Qt::white);
    {
        QPainter painter(&image_);
        painter.setRenderHint(QPainter::TextAntialiasing);
        const QSizeF paper = pages_->Layout().fullRectPixels(pages_->Dpi()).size();
        painter.scale(size.width() / paper.width(), size.height() / paper.height());
        pages_->PaintPage(painter, page_);
    }
    pageView_->setPixmap(QPixmap::fromImage(image_));
    pageView_->resize(size + QSize(2 * PageMargin, 2 * PageMargin));
}

// --- printing and PDF -----------------------------------------------------------

void PrintPreview::print() {
    if (!pages_ || pages_->PageCount() == 0) return;
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(JobName());
    printer.setPageLayout(pages_->Layout());
    // The pages paint from the paper's corner and keep their own margins.
    printer.setFullPage(true);
    printer.setFromTo(1, pages_->PageCount());
    if (!(choosePrinter ? choosePrinter(printer) : AskForPrinter(printer))) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    PrintOn(printer);
    QApplication::restoreOverrideCursor();
}

bool PrintPreview::AskForPrinter(QPrinter& printer) {
    QPrintDialog dialog(&printer, this);
    dialog.setMinMax(1, pages_->PageCount());
    return dialog.exec() == QDialog::Accepted;
}

void PrintPreview::PrintOn(QPrinter& printer) const {
    QPainter painter;
    if (!painter.begin(&printer)) return;
    const int last = pages_->PageCount() - 1;
    const bool range = printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0;
    const int from = range ? printer.fromPage() - 1 : 0;
    const int to = range ? std::min(last, printer.toPage() - 1) : last;
    const double scale = static_cast<double>(printer.resolution()) / pages_->Dpi();
    for (int page = from; page <= to; ++page) {
        if (page > from && !printer.newPage()) break;
        painter.save();
        painter.scale(scale, scale);
        pages_->PaintPage(painter, page);
        painter.restore();
    }
    painter.end();
}

void PrintPreview::savePdf() {
    if (!pages_) return;
    const QString proposed = JobName() + QStringLiteral(".pdf");
    const std::optional<QString> file =
        choosePdfFile ? choosePdfFile(proposed) : AskForPdfFile(proposed);
    if (!file || file->isEmpty()) return;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const QString failure = WritePdfPages(*pages_, *file);
    QApplication::restoreOverrideCursor();
    if (!failure.isEmpty()) Inform(failure);
}

std::optional<QString> PrintPreview::AskForPdfFile(const QString& proposed) {
    const QString file =
        QFileDialog::getSaveFileName(this, QString::fromUtf8("Сохранить в PDF"), proposed,
                                     QString::fromUtf8("Файлы PDF (*.pdf)"));
    if (file.isEmpty()) return std::nullopt;
    return file;
}

void PrintPreview::Inform(const QString& text) {
    if (inform)
        inform(text);
    else
        QMessageBox::warning(this, windowTitle(), text, QMessageBox::Ok);
}

} // namespace kestrom
