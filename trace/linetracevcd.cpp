#include "trace/linetracevcd.h"

#include "trace/linetrace.h"

#include <QByteArray>
#include <QDateTime>
#include <QSaveFile>

#include <charconv>

namespace {
using Kind = LineEvent::Kind;

// Identifier codes of the four wires, in the order of the pins' kinds.
constexpr char PinCodes[3] = {'c', 'o', 'i'};
constexpr char FrameCode = 'f';

// Gathers the text in 64 KiB pieces: a full ring is some 15 MB of dump.
class Out
{
public:
    explicit Out(QIODevice *device) : device_(device) { buffer_.reserve(Piece + 64); }

    Out &operator<<(const char *text)
    {
        buffer_.append(text);
        return spill();
    }
    Out &operator<<(const QByteArray &text)
    {
        buffer_.append(text);
        return spill();
    }
    Out &operator<<(char c)
    {
        buffer_.append(c);
        return spill();
    }
    Out &operator<<(std::int64_t number)
    {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        buffer_.append(digits, int(end - digits));
        return spill();
    }
    bool flush()
    {
        if (!buffer_.isEmpty() && device_->write(buffer_) != buffer_.size())
            failed_ = true;
        buffer_.clear();
        return !failed_;
    }

private:
    static constexpr int Piece = 1 << 16;
    Out &spill()
    {
        if (buffer_.size() >= Piece)
            flush();
        return *this;
    }

    QIODevice *device_;
    QByteArray buffer_;
    bool failed_ = false;
};
} // namespace

LineTraceVcd::Span LineTraceVcd::span(const LineTrace &trace)
{
    Span span{0, trace.size()};
    // Events before the first boundary may be the tail of a frame whose start
    // was dropped; a frame's start marks the line as between frames before it.
    for (int i = 0; i < trace.size(); ++i) {
        const Kind kind = trace.at(i).kind();
        if (kind == Kind::FrameStart || kind == Kind::FrameEnd) {
            span.first = kind == Kind::FrameStart ? i : i + 1;
            break;
        }
    }
    // A frame still on the line is left out.
    for (int i = trace.size() - 1; i >= span.first; --i) {
        const Kind kind = trace.at(i).kind();
        if (kind == Kind::FrameEnd)
            break;
        if (kind == Kind::FrameStart) {
            span.last = i;
            break;
        }
    }
    span.last = std::max(span.first, span.last);
    return span;
}

bool LineTraceVcd::write(const LineTrace &trace, QIODevice *device)
{
    const Span span = LineTraceVcd::span(trace);

    // The levels as the span begins: the last of each pin before it. Between
    // frames CLOCK and DATA_OUT rest high; DATA_IN is unknown until read.
    char level[3] = {'1', '1', 'x'};
    bool known[3] = {};
    for (int i = span.first - 1; i >= 0 && !(known[0] && known[1] && known[2]); --i) {
        const LineEvent &e = trace.at(i);
        const int pin = int(e.kind());
        if (e.isPin() && !known[pin]) {
            known[pin] = true;
            level[pin] = e.level() ? '1' : '0';
        }
    }
    const std::int64_t originUs = span.first < span.last ? trace.at(span.first).timeUs() : 0;

    Out out(device);
    out << "$date\n\t" << QDateTime::currentDateTime().toString(Qt::ISODate).toLatin1() << "\n$end\n"
        << "$version\n\tZorvel-3 configurator, line trace\n$end\n"
        << "$comment\n\tCLOCK and DATA_OUT as the program drove them; DATA_IN as it read it, from the\n"
        << "\tfalling CLOCK edge that put the level on the line. FRAME is high while a frame is\n"
        << "\ton the line. Time 0 is " << originUs << " us after the trace began; "
        << std::int64_t(trace.recorded() - std::uint64_t(trace.size()) + std::uint64_t(span.first))
        << " earlier events are not in this file.\n$end\n"
        << "$timescale 1us $end\n"
        << "$scope module line $end\n"
        << "$var wire 1 c CLOCK $end\n"
        << "$var wire 1 o DATA_OUT $end\n"
        << "$var wire 1 i DATA_IN $end\n"
        << "$var wire 1 f FRAME $end\n"
        << "$upscope $end\n"
        << "$enddefinitions $end\n"
        << "#0\n$dumpvars\n";
    for (int pin = 0; pin < 3; ++pin)
        out << level[pin] << PinCodes[pin] << '\n';
    out << '0' << FrameCode << "\n$end\n";

    std::int64_t stampedUs = 0;
    char frame = '0';
    for (int i = span.first; i < span.last; ++i) {
        const LineEvent &e = trace.at(i);
        char *current = nullptr;
        char code = FrameCode;
        char value = '1';
        switch (e.kind()) {
        case Kind::Clock:
        case Kind::DataOut:
        case Kind::DataIn:
            current = &level[int(e.kind())];
            code = PinCodes[int(e.kind())];
            value = e.level() ? '1' : '0';
            break;
        case Kind::FrameStart:
        case Kind::FrameEnd:
            current = &frame;
            value = e.kind() == Kind::FrameStart ? '1' : '0';
            break;
        case Kind::Wait:
            continue; // a wait shows as the time it takes
        }
        if (*current == value)
            continue; // a pin set to the level it has is no change on the wire
        *current = value;
        const std::int64_t t = e.timeUs() - originUs;
        if (t != stampedUs) {
            out << '#' << t << '\n';
            stampedUs = t;
        }
        out << value << code << '\n';
    }
    // The last instant, so viewers show how the line rested after the last change.
    if (span.first < span.last) {
        const LineEvent &lastEvent = trace.at(span.last - 1);
        std::int64_t endUs = lastEvent.timeUs() - originUs;
        if (lastEvent.kind() == Kind::Wait)
            endUs += std::int64_t(lastEvent.waitMs()) * 1000;
        if (endUs > stampedUs)
            out << '#' << endUs << '\n';
    }
    return out.flush();
}

bool LineTraceVcd::save(const LineTrace &trace, const QString &path, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        if (error)
            *error = tr("Не удалось открыть файл %1 для записи: %2").arg(path, file.errorString());
        return false;
    }
    if (!write(trace, &file) || !file.commit()) {
        if (error)
            *error = tr("Не удалось записать файл %1: %2").arg(path, file.errorString());
        return false;
    }
    return true;
}
