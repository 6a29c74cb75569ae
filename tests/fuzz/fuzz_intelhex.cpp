// SPDX-License-Identifier: GPL-3.0-or-later
// Any text as an Intel-HEX file, through both readers. tavro-prog's gives every byte within the
// chip or faults and no bytes at all, and what it accepts survives a write and re-read; the
// console's download against the simulated chip ends, hides its controls and puts nothing on
// the lines the chip would refuse; and where tavro-prog accepts a file, the console writes
// exactly its bytes.
#include "FuzzSupport.h"
#include "ProgrammerBench.h"
#include "console/Module1.h"
#include "programmer/HexImage.h"
#include "programmer/HexWriter.h"

#include <QFile>
#include <QHash>
#include <QTemporaryDir>

namespace {

std::map<quint32, quint8> consoleWrites(const QByteArray &text, bool dataSpace)
{
    static QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("input.hex"));
    QFile file(path);
    Fuzz::check(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(text) == text.size(),
                "cannot write the input file");
    file.close();
    Bench bench;
    bench.scale(0);
    bench.app.ProgMode = true;
    bench.app.DataSpace = dataSpace;
    bench.file = path;
    Module1(bench, bench.app).HexDownload();
    const SimulatedChip::Op write = dataSpace ? SimulatedChip::Op::WriteData : SimulatedChip::Op::WriteProgram;
    std::map<quint32, quint8> written;
    for (const SimulatedChip::Instruction &ins : bench.target->instructions()) {
        Fuzz::check(ins.accepted, "chip refused an instruction:", ins.refusal.toUtf8());
        Fuzz::check(ins.op == SimulatedChip::Op::ProgrammingEnable || ins.op == write, "instruction outside the space");
        if (ins.op == write)
            written[quint32(ins.address)] = ins.value;
    }
    Fuzz::check(bench.target->pendingBits() == 0, "instruction left incomplete on the line");
    Fuzz::check(!bench.controlsShown && bench.box.shown.isEmpty(), "controls left visible or a box shown");
    return written;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    Fuzz::application();
    const QByteArray text = Fuzz::bytes(data, size);
    // Both spaces get their share of inputs without spending a byte of the file on the choice.
    const bool dataSpace = (qHash(text) & 1) != 0;
    const quint32 last = quint32(ChipMemory::lastAddress(dataSpace));
    const HexImage image = HexImage::parse(text, last);
    Fuzz::check(image.faults().size() == std::min(image.faultCount(), HexImage::kKeptFaults), "faults not kept");
    for (const HexImage::Fault &fault : image.faults())
        Fuzz::check(fault.line >= 1 && fault.line <= text.count('\n') + 1 && !fault.reason.isEmpty(),
                    "fault without its line");
    Fuzz::check(image.ok() || image.bytes().empty(), "a faulty file gave bytes");
    const std::map<quint32, quint8> written = consoleWrites(text, dataSpace);
    if (!image.ok())
        return 0;
    Fuzz::check(written == image.bytes(), "the console wrote other bytes than the file holds");
    if (!image.bytes().empty()) { // a contiguous run, written and read back
        const auto first = image.bytes().begin();
        QByteArray run(1, char(first->second));
        for (auto it = std::next(first); it != image.bytes().end() && it->first == first->first + quint32(run.size());
             ++it)
            run.append(char(it->second));
        const HexImage again = HexImage::parse(HexWriter::toIntelHex(first->first, run), last);
        Fuzz::check(again.ok() && again.bytes().size() == std::size_t(run.size())
                        && again.bytes().begin()->first == first->first,
                    "written image does not read back");
    }
    return 0;
}
