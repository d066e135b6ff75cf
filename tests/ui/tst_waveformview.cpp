// Guards the waveform view's following: it shows the newest bit until a wheel zooms or a drag pans, and End follows again.
#include <QtTest>

#include "trace/linetrace.h"
#include "ui/waveformview.h"
#include "tests/link/linkfixture.h"

class WaveformViewTest : public QObject
{
    Q_OBJECT

private slots:
    void followsUntilZoomedOrPanned()
    {
        testsupport::Simulator sim;
        QVERIFY(sim.load());
        sim.reset();
        LineTrace trace; // outlives the link that records into it
        LinkRig rig;
        rig.start();
        rig.link->setTrace(&trace);
        QVERIFY(rig.run("sendParamA3")); // its reply ends in a 160 ms wait: the newest bit is well before the newest event
        WaveformView view;
        view.resize(800, 300);
        view.setTrace(&trace);
        QSignalSpy following(&view, &WaveformView::followingChanged);
        auto newestBitShown = [&] {
            std::int64_t fallUs = 0;
            for (int i = 0; i < trace.size(); ++i) {
                if (trace.at(i).kind() == LineEvent::Kind::Clock && !trace.at(i).level())
                    fallUs = trace.at(i).timeUs();
            }
            return view.timeAt(view.width() / 2) < fallUs && fallUs < view.timeAt(view.width() - 1);
        };
        QVERIFY(newestBitShown());

        // The wheel zooms in around the pointer and ends the following.
        const QPoint pointer(300, 150);
        const double underPointerUs = view.timeAt(pointer.x());
        const double usPerPixel = view.usPerPixel();
        QWheelEvent wheel(pointer, view.mapToGlobal(pointer), {}, {0, 120}, Qt::NoButton, Qt::NoModifier,
                          Qt::NoScrollPhase, false);
        QApplication::sendEvent(&view, &wheel);
        QVERIFY(view.usPerPixel() < usPerPixel);
        QVERIFY(qAbs(view.timeAt(pointer.x()) - underPointerUs) <= view.usPerPixel());
        QCOMPARE(following.count(), 1);

        // New frames do not move the view; a drag does, by as much as the pointer.
        const double startUs = view.startUs();
        QVERIFY(rig.run("sendParamAA"));
        view.refresh();
        QCOMPARE(view.startUs(), startUs);
        QVERIFY(!newestBitShown());
        QTest::mousePress(&view, Qt::LeftButton, {}, pointer);
        QTest::mouseMove(&view, pointer + QPoint(100, 0));
        QTest::mouseRelease(&view, Qt::LeftButton, {}, pointer + QPoint(100, 0));
        QVERIFY(qAbs(view.startUs() - (startUs - 100 * view.usPerPixel())) < 1);

        QTest::keyClick(&view, Qt::Key_End);
        QCOMPARE(following.count(), 2);
        QVERIFY(newestBitShown());
    }
};

QTEST_MAIN(WaveformViewTest)
#include "tst_waveformview.moc"
