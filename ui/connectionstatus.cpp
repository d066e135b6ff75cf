#include "ui/connectionstatus.h"

#include "link/detectorlink.h"
#include "link/simpleioapi.h"

#include <utility>

ConnectionStatus::ConnectionStatus(DetectorLink *link, QObject *parent)
    : QObject(parent), link_(link)
{
    connect(link, &DetectorLink::signal_handshake_ok, this, [this] {
        pinsFailed_ = false;
        if (state_ != State::Answering)
            since_ = QTime::currentTime();
        set(State::Answering);
    });
    // A failed pin call comes first, then the lost connection: the adapter,
    // not the detector, is what is missing.
    connect(link, &DetectorLink::lineFailed, this,
            [this](LinkTransaction, const QString &reason, const QByteArray &) {
                pinsFailed_ = true;
                detail_ = reason;
            });
    connect(link, &DetectorLink::signal_disconnect, this, [this] {
        const bool pinsFailed = std::exchange(pinsFailed_, false);
        set(pinsFailed ? State::NoAdapter : State::Silent, pinsFailed ? detail_ : link_->bridgeProblem());
    });
    connect(link, &DetectorLink::adapterBusy, this, [this](const QString &message) { set(State::Busy, message); });
}

void ConnectionStatus::judgeBridge()
{
    if (!link_->bridgeLoaded())
        set(State::NoLibrary, link_->bridgeProblem());
    else if (!link_->adapterConnected() && state_ != State::Busy)
        set(State::NoAdapter, link_->bridgeProblem());
}

void ConnectionStatus::set(State state, const QString &detail)
{
    state_ = state;
    detail_ = detail;
    emit changed();
}

QString ConnectionStatus::text() const
{
    QString said;
    switch (state_) {
    case State::Waiting:
        said = tr("Нет подключения");
        break;
    case State::NoLibrary:
        said = tr("Нет библиотеки адаптера SimpleIO-UM: установите программу заново");
        break;
    case State::NoAdapter:
#ifdef Q_OS_LINUX
        said = tr("Адаптер не найден: подключите его к USB (в Linux нужно правило udev 60-zorvel-mcp2200.rules)");
#else
        said = tr("Адаптер не найден: подключите его к USB");
#endif
        break;
    case State::Busy:
        said = tr("Адаптер занят другой программой: %1").arg(detail_);
        break;
    case State::Silent:
        said = tr("Адаптер найден, датчик не отвечает: проверьте кабель и питание датчика");
        break;
    case State::Answering:
        said = tr("Подключено: датчик отвечает с %1").arg(since_.toString(QStringLiteral("HH:mm")));
        break;
    }
    return BridgeLoader::demo() ? tr("Демонстрация на имитаторе датчика. %1").arg(said) : said;
}
