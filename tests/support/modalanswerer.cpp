#include "tests/support/modalanswerer.h"

#include <QAbstractButton>
#include <QApplication>

namespace testsupport {

ModalAnswerer::ModalAnswerer(QStringList answers, QObject *parent)
    : QObject(parent), answers_(std::move(answers))
{
    connect(&timer_, &QTimer::timeout, this, &ModalAnswerer::poll);
    timer_.start(5);
}

void ModalAnswerer::poll()
{
    auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
    if (!box || !box->isVisible())
        return;
    const QString answer = answers_.isEmpty() ? QString() : answers_.first();
    if (answers_.size() > 1)
        answers_.removeFirst();
    seen_.append({box->windowTitle(), box->text(), box->icon()});
    for (QAbstractButton *button : box->buttons()) {
        if (answer.isEmpty() || button->text().remove(QLatin1Char('&')) == answer) {
            button->click();
            return;
        }
    }
    box->reject();
}

} // namespace testsupport
