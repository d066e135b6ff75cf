// A link on the simulated detector with no window, and ways to watch it: what
// it signals, logs and traces, and how it asks whether to read again.
#ifndef ZORVEL_TESTS_LINKFIXTURE_H
#define ZORVEL_TESTS_LINKFIXTURE_H

#include <QTimer>

#include <memory>

#include "link/detectorlink.h"
#include "tests/support/testsupport.h"

struct LinkRig : public QObject, public LinkQuestions {
    DeviceConfig block{};
    std::unique_ptr<DetectorLink> link;
    // Everything the link tells the world, in order, as short words:
    // "busy", "free", "ok", "lost", "config", "written", "not written", "in use: ...".
    QStringList events;
    QVector<QVector<int>> actions;
    QString trace;
    QString log;
    QStringList answers; // to the retry question, in turn: "yes" or "no"
    QVector<int> failed; // the transaction of each lineFailed, and what the last one said
    QString failReason;
    QByteArray failPending;
    int questions = 0;
    int ticksBefore = 0;

    bool retryRead() override { return answers.value(questions++) == QLatin1String("yes"); }

    // A fresh link on the bridge library beside the test, its pins set up as
    // the console sets them. `supervised`: the first handshake in half a
    // second (followed by a read) and one every ten seconds.
    void start(bool supervised = false)
    {
        block = DeviceConfig{0, 0, 0, 5, 0x0E, 0};
        link = std::make_unique<DetectorLink>(&block);
        link->setQuestions(this);
        auto *l = link.get();
        connect(l, &DetectorLink::setButton, this, [this](bool on) { events << (on ? "free" : "busy"); });
        connect(l, &DetectorLink::signal_handshake_ok, this, [this] { events << "ok"; });
        connect(l, &DetectorLink::signal_disconnect, this, [this] { events << "lost"; });
        connect(l, &DetectorLink::signal_getConfig, this, [this] { events << "config"; });
        connect(l, &DetectorLink::writeConfirmed, this,
                [this](bool same) { events << (same ? "written" : "not written"); });
        connect(l, &DetectorLink::action, this,
                [this](int total, int step, int cgi) { actions << QVector<int>{total, step, cgi}; });
        connect(l, &DetectorLink::traceText, this, [this](const QString &text) { trace += text; });
        connect(l, &DetectorLink::traceParagraph, this, [this](const QString &text) { trace += text; });
        connect(l, &DetectorLink::panesCleared, this, [this] { trace.clear(); log.clear(); });
        connect(l, &DetectorLink::logLine, this, [this](const QString &line) { log += line; });
        connect(l, &DetectorLink::lineFailed, this, [this](LinkTransaction t, const QString &why, const QByteArray &bytes) {
            failed << int(t), failReason = why, failPending = bytes;
        });
        connect(l, &DetectorLink::adapterBusy, this, [this](const QString &message) { events << "in use: " + message; });
        connect(l, &DetectorLink::logInline, this, [this](const QString &text) { log += text; });
        reset();
        link->loadBridge();
        link->configurePort(LinkPins::DefaultDirections);
        if (supervised)
            link->startSupervision();
        else
            link->firstConnect = false;
    }

    // Waits until the link has emitted setButton(true) `count` times since the last reset.
    bool waitFree(int count = 1, int timeoutMs = 8000)
    {
        return testsupport::waitUntil([&] { return events.count("free") >= count; }, timeoutMs);
    }
    // Runs a slot of the link and waits for the line to be free again.
    bool run(const char *slot, int timeoutMs = 8000)
    {
        const int freed = events.count("free");
        QMetaObject::invokeMethod(link.get(), slot);
        return waitFree(freed + 1, timeoutMs);
    }
    int ticks() const { return link->ticks() - ticksBefore; }
    void reset()
    {
        events.clear();
        actions.clear();
        trace.clear();
        log.clear();
        answers.clear();
        failed.clear();
        questions = 0;
        ticksBefore = link->ticks();
    }
};

inline QByteArray bytes(std::initializer_list<int> values)
{
    QByteArray out;
    for (int b : values)
        out += char(b);
    return out;
}

#endif
