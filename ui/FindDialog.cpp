#include "ui/FindDialog.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kestrom {

FindDialog::FindDialog(QWidget* parent)
    : QDialog(parent), text_(new QLineEdit(this)),
      caseSensitive_(new QCheckBox(QString::fromUtf8("С учётом регистра"), this)),
      allColumns_(new QCheckBox(QString::fromUtf8("Во всех столбцах"), this)),
      wholeCell_(new QCheckBox(QString::fromUtf8("Ячейка целиком"), this)) {
    setObjectName(QStringLiteral("FindDialog"));
    setWindowTitle(QString::fromUtf8("Поиск"));
    text_->setObjectName(QStringLiteral("FindText"));
    caseSensitive_->setObjectName(QStringLiteral("FindCaseSensitive"));
    allColumns_->setObjectName(QStringLiteral("FindAllColumns"));
    wholeCell_->setObjectName(QStringLiteral("FindWholeCell"));

    auto* next = new QPushButton(QString::fromUtf8("Найти далее"), this);
    next->setObjectName(QStringLiteral("FindNext"));
    next->setDefault(true);
    auto* close = new QPushButton(QString::fromUtf8("Закрыть"), this);
    connect(next, &QPushButton::clicked, this, [this] { emit findNext(Request()); });
    connect(close, &QPushButton::clicked, this, &QDialog::reject);

    auto* form = new QFormLayout;
    form->addRow(QString::fromUtf8("Текст:"), text_);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(next);
    buttons->addWidget(close);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(caseSensitive_);
    layout->addWidget(allColumns_);
    layout->addWidget(wholeCell_);
    layout->addLayout(buttons);
}

FindRequest FindDialog::Request() const {
    return {text_->text(), caseSensitive_->isChecked(), allColumns_->isChecked(),
            wholeCell_->isChecked()};
}

QString FindDialog::NotFoundText(const QString& text) {
    return QString::fromUtf8("Строка \"") + text + QString::fromUtf8("\" не найдена.");
}

} // namespace kestrom
