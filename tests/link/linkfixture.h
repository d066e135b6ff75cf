// A link on the simulated detector, and ways to watch it from outside: the
// signals it emits, its console panes and the ticks of its 2 ms timers.
#ifndef ZORVEL_TESTS_LINKFIXTURE_H
#define ZORVEL_TESTS_LINKFIXTURE_H

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTextEdit>
#include <QTimer>

#include <memory>

#include "link/config.h"
#include "tests/support/testsupport.h"

// Everything the link tells the world, in order, as short words:
// "busy", "free", "ok", "lost", "config", "progress".
class LinkWatch : public QObject
{
public:
    explicit LinkWatch(config *link)
    {
        connect(link, &config::setButton, this, [this](bool on) { events << (on ? "free" : "busy"); });
        connect(link, &config::signal_handshake_ok, this, [this] { events << "ok"; });
        connect(link, &config::signal_disconnect, this, [this] { events << "lost"; });
        connect(link, &config::signal_getConfig, this, [this](char *in) {
            events << "config";
            replies << QByteArray(in, 6);
        });
        connect(link, &config::action, this, [this](int total, int step, int cgi) {
            actions << QVector<int>{total, step, cgi};
        });
    }
    QStringList events;
    QVector<QByteArray> replies;
    QVector<QVector<int>> actions;
};

struct LinkRig {
    DeviceConfig block{};
    std::unique_ptr<config> link;
    std::unique_ptr<LinkWatch> watch;
    int ticksBefore = 0;

    // A fresh link on a freshly reset simulator. With `readFirst` false the
    // first handshake is not followed by a read.
    void start(testsupport::Simulator &sim, bool readFirst = true)
    {
        sim.reset();
        start(readFirst);
    }

    // A fresh link on whatever bridge library lies beside the test.
    void start(bool readFirst)
    {
        block = DeviceConfig{0, 0, 0, 5, 0x0E, 0};
        link = std::make_unique<config>(nullptr, &block);
        link->firstConnect = readFirst;
        watch = std::make_unique<LinkWatch>(link.get());
        ticksBefore = 0;
    }

    // Engine ticks since the start or the last resetWatch().
    int ticks() const { return link->detectorLink()->ticks() - ticksBefore; }

    // Waits until the link has emitted setButton(true) `count` times in all.
    bool waitFree(int count = 1, int timeoutMs = 8000)
    {
        return testsupport::waitUntil([&] { return watch->events.count("free") >= count; }, timeoutMs);
    }

    template <class T> T *widget(const char *name) const { return link->findChild<T *>(QLatin1String(name)); }
    QString log() const { return widget<QTextEdit>("textEdit")->toPlainText(); }
    QString trace() const { return widget<QTextEdit>("sendText")->toPlainText(); }
    void invoke(const char *slot) { QMetaObject::invokeMethod(link.get(), slot); }
    void resetWatch()
    {
        watch->events.clear();
        watch->replies.clear();
        watch->actions.clear();
        ticksBefore = link->detectorLink()->ticks();
    }
};

// The eight digits of a byte, most significant first, as the trace shows them.
inline QString digits(int byte)
{
    return QStringLiteral("%1").arg(byte & 0xFF, 8, 2, QLatin1Char('0'));
}

#endif
