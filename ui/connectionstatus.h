// What the status bar says of the connection, in plain words and with what to
// do: derived from what the link reports of its bridge library, its adapter
// and every handshake. The window only shows it.
#ifndef ZORVEL_UI_CONNECTIONSTATUS_H
#define ZORVEL_UI_CONNECTIONSTATUS_H

#include <QObject>
#include <QString>
#include <QTime>

#include "protocol/linkengines.h"

class DetectorLink;

class ConnectionStatus : public QObject
{
    Q_OBJECT

public:
    enum class State { Waiting, NoLibrary, NoAdapter, Busy, Silent, Answering };
    Q_ENUM(State)

    explicit ConnectionStatus(DetectorLink *link, QObject *parent = nullptr);

    // Judges the bridge as the link's start-up left it.
    void judgeBridge();

    State state() const { return state_; }
    bool answering() const { return state_ == State::Answering; }
    QString text() const;
    // The bridge library's or the lock's own words, for the tool tip.
    QString detail() const { return detail_; }

signals:
    void changed();

private:
    void set(State state, const QString &detail = QString());

    DetectorLink *link_;
    State state_ = State::Waiting;
    QString detail_;
    QTime since_;
    bool pinsFailed_ = false; // the last transaction ended on a failed pin call
};

#endif
