#include "ui/Controls.h"

#include "ui/ImageList.h"

#include <QApplication>
#include <QCheckBox>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>

namespace kestrom {

QPushButton* MakeButton(QWidget* parent, const char* name, const char* text) {
    return Named(new QPushButton(QString::fromUtf8(text), parent), name);
}

QCheckBox* MakeCheckBox(QWidget* parent, const char* name, const char* text, bool checked) {
    auto* c = Named(new QCheckBox(QString::fromUtf8(text), parent), name);
    c->setChecked(checked);
    return c;
}

QToolButton* MakeToggle(QWidget* parent, const char* name, int icon, const char* hint) {
    auto* b = Named(new QToolButton(parent), name);
    b->setCheckable(true);
    if (icon >= 0) b->setIcon(ImageList1(icon));
    b->setToolTip(QString::fromUtf8(hint));
    return b;
}

void SetValueBackground(QWidget* w, bool on) {
    QPalette p = w->palette();
    const QPalette app = QApplication::palette();
    p.setColor(QPalette::Base, on ? app.color(QPalette::Base) : app.color(QPalette::Button));
    w->setPalette(p);
}

void ApplyToggle(bool pressed, std::initializer_list<QWidget*> controls) {
    for (QWidget* w : controls) {
        if (pressed) {
            w->setEnabled(true);
            SetValueBackground(w, true);
        } else {
            SetValueBackground(w, false);
            if (auto* t = qobject_cast<QTimeEdit*>(w)) t->setTime(QTime(0, 0));
            w->setEnabled(false);
        }
    }
}

} // namespace kestrom
