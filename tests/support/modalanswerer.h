// Answers the modal message boxes a widget test provokes.
#ifndef ZORVEL_TESTS_MODALANSWERER_H
#define ZORVEL_TESTS_MODALANSWERER_H

#include <QMessageBox>
#include <QObject>
#include <QStringList>
#include <QTimer>
#include <QVector>

namespace testsupport {

// Answers every modal message box that appears by clicking, in turn, the
// button whose text is the next of `answers` (the last answer repeats).
class ModalAnswerer : public QObject
{
public:
    struct Seen {
        QString title;
        QString text;
        QMessageBox::Icon icon;
    };

    explicit ModalAnswerer(QStringList answers, QObject *parent = nullptr);
    const QVector<Seen> &seen() const { return seen_; }

private:
    void poll();

    QStringList answers_;
    QVector<Seen> seen_;
    QTimer timer_;
};

} // namespace testsupport

#endif
