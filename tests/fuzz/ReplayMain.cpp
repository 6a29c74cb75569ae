// SPDX-License-Identifier: GPL-3.0-or-later
// Runs one fuzz target without libFuzzer: every file of the seed corpus, then a fixed number
// of pseudo-random mutations of them from a fixed seed, so that every run tries the same inputs.
//   replay_<target> <corpus folder> [mutations] [seed]
#include "FuzzSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <random>
#include <vector>

namespace {

const QList<QByteArray> kTokens{":", "\r\n", "\n", "00", "FF", "01", "02", "04", "=", "[Properties]", "\xFF", "\xFE"};

class Mutator
{
public:
    Mutator(std::vector<QByteArray> corpus, unsigned seed)
        : m_corpus(std::move(corpus))
        , m_random(seed)
    {}

    QByteArray next()
    {
        QByteArray input = pick();
        const int steps = 1 + below(4);
        for (int i = 0; i < steps; ++i)
            mutate(input);
        return input.left(kMaxSize);
    }

private:
    static constexpr qsizetype kMaxSize = 8192;

    int below(qsizetype n) { return n <= 1 ? 0 : int(std::uniform_int_distribution<qsizetype>(0, n - 1)(m_random)); }
    QByteArray pick() { return m_corpus.empty() ? QByteArray() : m_corpus[below(qsizetype(m_corpus.size()))]; }

    void mutate(QByteArray &input)
    {
        const int at = below(input.size() + 1);
        switch (below(6)) {
        case 0: // flip a bit
            if (!input.isEmpty())
                input[at % input.size()] ^= char(1 << below(8));
            break;
        case 1: // drop a run
            input.remove(at, 1 + below(16));
            break;
        case 2: // a token of the formats
            input.insert(at, kTokens[below(kTokens.size())]);
            break;
        case 3: // repeat a run
            input.insert(at, input.mid(below(input.size()), 1 + below(64)));
            break;
        case 4: // splice with another seed
            input = input.left(at) + pick().mid(below(input.size()));
            break;
        default: // cut short
            input.truncate(at);
            break;
        }
    }

    std::vector<QByteArray> m_corpus;
    std::mt19937 m_random;
};

std::vector<QByteArray> readCorpus(const QString &folder)
{
    std::vector<QByteArray> corpus;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files, QDir::Name)) {
        QFile file(dir.filePath(name));
        if (file.open(QIODevice::ReadOnly))
            corpus.push_back(file.readAll());
    }
    return corpus;
}

void run(const QByteArray &input)
{
    LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t *>(input.constData()), size_t(input.size()));
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <corpus folder> [mutations] [seed]\n", argv[0]);
        return 2;
    }
    const std::vector<QByteArray> corpus = readCorpus(QString::fromLocal8Bit(argv[1]));
    if (corpus.empty()) {
        std::fprintf(stderr, "no seeds in %s\n", argv[1]);
        return 2;
    }
    const long mutations = argc > 2 ? std::atol(argv[2]) : 1000;
    const unsigned seed = argc > 3 ? unsigned(std::strtoul(argv[3], nullptr, 10)) : 1;

    QElapsedTimer clock;
    clock.start();
    for (const QByteArray &input : corpus)
        run(input);
    Mutator mutator(corpus, seed);
    for (long i = 0; i < mutations; ++i)
        run(mutator.next());
    std::printf("%zu seeds and %ld mutations in %.1f s\n", corpus.size(), mutations, clock.elapsed() / 1000.0);
    std::fflush(stdout); // before the leak check at exit prints its report
    return 0;
}
