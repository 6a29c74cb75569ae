// SPDX-License-Identifier: GPL-3.0-or-later
// The Telnet parser on anything a server may send: the same data and commands however the input
// is cut, values within their bound, escaped data and whole subnegotiations read back as they
// were, and a bounded number of answers from the client.
#include "FuzzSupport.h"
#include "network/Telnet.h"
#include "network/TelnetClient.h"
#include "network/TelnetOptions.h"

namespace {

// Everything the parser reports, in order, as one byte string.
class Recorder : public TelnetParser::Handler
{
public:
    QByteArray events;

    void negotiation(quint8 verb, quint8 option) override { events += QByteArray("N") + char(verb) + char(option); }
    void subnegotiation(quint8 option, QByteArrayView value) override
    {
        Fuzz::check(value.size() <= TelnetParser::kMaxSubnegotiation, "a subnegotiation beyond its bound");
        events += "S" + QByteArray(1, char(option)) + QByteArray::number(value.size()) + ":" + value.toByteArray();
    }
};

struct Parsed
{
    QByteArray data;
    QByteArray events;
};

Parsed parse(const QByteArray &input, qsizetype chunk)
{
    TelnetParser parser;
    Recorder recorder;
    Parsed parsed;
    for (qsizetype at = 0; at < input.size(); at += chunk)
        parser.feed(QByteArrayView(input).sliced(at, std::min(chunk, input.size() - at)), parsed.data, recorder);
    parsed.events = recorder.events;
    return parsed;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *raw, size_t size)
{
    const QByteArray input = Fuzz::bytes(raw, size);
    const Parsed whole = parse(input, std::max<qsizetype>(input.size(), 1));
    const qsizetype chunk = input.isEmpty() ? 1 : 1 + quint8(input[0]) % 7;
    const Parsed cut = parse(input, chunk);
    Fuzz::check(cut.data == whole.data && cut.events == whole.events, "the result depends on where input is cut");

    const Parsed plain = parse(Telnet::escaped(input), 3);
    Fuzz::check(plain.data == input && plain.events.isEmpty(), "escaped data does not read back as it was");

    const QByteArray value = input.left(TelnetParser::kMaxSubnegotiation);
    const Parsed sub = parse(Telnet::subnegotiation(Telnet::kComPort, value), 2);
    Fuzz::check(sub.data.isEmpty()
                    && sub.events
                           == "S" + QByteArray(1, char(Telnet::kComPort)) + QByteArray::number(value.size()) + ":"
                                  + value,
                "a subnegotiation does not read back as it was");

    // A server's worst: each byte cut apart. Our answers, read back, stay within their bound for
    // every option and side.
    TelnetClient client;
    QByteArray data;
    QByteArray answers;
    for (const char c : input)
        answers += client.receive(QByteArrayView(&c, 1), data);
    const QByteArray verbs = parse(answers, answers.size() + 1).events;
    for (qsizetype at = 0; at + 3 <= verbs.size(); at += 3) {
        const auto sameSide = [&](qsizetype other) {
            return verbs[other + 2] == verbs[at + 2]
                   && (quint8(verbs[other + 1]) >= Telnet::kDo) == (quint8(verbs[at + 1]) >= Telnet::kDo);
        };
        qsizetype count = 0;
        for (qsizetype other = 0; other + 3 <= verbs.size(); other += 3)
            count += sameSide(other);
        Fuzz::check(count <= TelnetOptions::kMaxAnswers, "the client answers an option without bound");
    }
    const QString signature = client.comPort().remote().signature;
    Fuzz::check(std::all_of(signature.begin(), signature.end(), [](QChar c) { return c >= u' ' && c <= u'~'; }),
                "a signature keeps control characters", signature.toUtf8());
    return 0;
}
